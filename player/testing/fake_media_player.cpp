#include "player/testing/fake_media_player.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace cq::testing {

namespace {

bool IsWebUrl(std::string_view url) {
    auto lower = [](std::string_view s) {
        std::string out(s);
        std::transform(out.begin(), out.end(), out.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return out;
    };
    return lower(url.substr(0, 7)) == "http://" || lower(url.substr(0, 8)) == "https://";
}

}  // namespace

void FakeMediaPlayer::Advance(std::int64_t ms) {
    if (open_ && state_ == kStatePlaying) {
        positionMs_ = std::min(positionMs_ + ms, lengthMs_);
    }
}

void FakeMediaPlayer::FinishEpisode() {
    if (open_) {
        positionMs_ = lengthMs_;
    }
}

bool FakeMediaPlayer::Open(std::string_view url) {
    calls_.push_back("open " + std::string(url));
    // Open closes first, like the real player, but without logging a second call.
    open_ = false;
    state_ = kStateOther;
    positionMs_ = 0;
    lengthMs_ = 0;
    url_.clear();
    const auto found = lengths_.find(std::string(url));
    const std::int64_t length = found != lengths_.end() ? found->second : defaultLengthMs_;
    if (!IsWebUrl(url) || length < 0) {
        return false;
    }
    open_ = true;
    url_ = std::string(url);
    lengthMs_ = length;
    state_ = kStateStopped;
    pauseNext_ = true;
    return true;
}

bool FakeMediaPlayer::Play(std::int64_t startMs) {
    calls_.push_back("play " + std::to_string(startMs));
    if (!open_) {
        return false;
    }
    if (startMs >= 0) {
        positionMs_ = std::min(startMs, lengthMs_);
    }
    state_ = kStatePlaying;
    pauseNext_ = true;
    return true;
}

bool FakeMediaPlayer::PauseResume() {
    calls_.push_back("pauseResume");
    if (!open_) {
        return false;
    }
    state_ = pauseNext_ ? kStatePaused : kStatePlaying;
    pauseNext_ = !pauseNext_;
    return true;
}

bool FakeMediaPlayer::Stop() {
    calls_.push_back("stop");
    if (!open_) {
        return false;
    }
    state_ = kStateStopped;
    positionMs_ = 0;
    return true;
}

bool FakeMediaPlayer::Close() {
    calls_.push_back("close");
    const bool wasOpen = open_;
    open_ = false;
    state_ = kStateOther;
    positionMs_ = 0;
    lengthMs_ = 0;
    url_.clear();
    return wasOpen;
}

int FakeMediaPlayer::State() {
    if (open_ && state_ != kStateStopped && positionMs_ >= lengthMs_) {
        return kStateStopped;  // played to its end
    }
    return state_;
}

std::int64_t FakeMediaPlayer::PositionMs() {
    return open_ ? positionMs_ : -1;
}

std::int64_t FakeMediaPlayer::LengthSeconds() {
    return open_ ? lengthMs_ / 1000 : 0;
}

bool FakeMediaPlayer::SetSpeed(double speed) {
    calls_.push_back("speed " + std::to_string(speed));
    if (!std::isfinite(speed) || speed < 0.01 || speed > 100.0) {  // as libmpv
        return false;
    }
    speed_ = speed;
    return true;
}

bool FakeMediaPlayer::SetVolume(double volume) {
    calls_.push_back("volume " + std::to_string(volume));
    if (std::isnan(volume)) {
        return false;
    }
    volume_ = std::clamp(volume, 0.0, 1.0);
    return true;
}

}  // namespace cq::testing
