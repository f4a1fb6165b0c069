#pragma once

// A media player for tests: it plays nothing and keeps time only when told to, so
// tests decide when an episode ends. It records every call.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/media_player.h"

namespace cq::testing {

class FakeMediaPlayer : public platform::MediaPlayer {
public:
    // Length of every URL not given its own (milliseconds).
    explicit FakeMediaPlayer(std::int64_t defaultLengthMs = 300'000)
        : defaultLengthMs_(defaultLengthMs) {}

    // Per-URL length in milliseconds; a negative length makes the URL fail to open.
    void SetLengthMs(const std::string& url, std::int64_t lengthMs) { lengths_[url] = lengthMs; }
    // Moves the position on by ms of media time while playing, up to the length.
    void Advance(std::int64_t ms);
    // Puts the position at the end, as when the stream ends.
    void FinishEpisode();

    bool Open(std::string_view url) override;
    bool Play(std::int64_t startMs = -1) override;
    bool PauseResume() override;
    bool Stop() override;
    bool Close() override;
    int State() override;
    std::int64_t PositionMs() override;
    std::int64_t LengthSeconds() override;
    bool SetSpeed(double speed) override;
    double Speed() override { return speed_; }
    bool SetVolume(double volume) override;
    double Volume() override { return volume_; }

    bool IsOpen() const { return open_; }
    const std::string& OpenUrl() const { return url_; }
    std::int64_t RawPositionMs() const { return positionMs_; }
    // One entry per call: "open <url>", "play <ms>", "pauseResume", "stop", "close",
    // "speed <x>", "volume <x>" (numbers as std::to_string writes them).
    const std::vector<std::string>& Calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }

private:
    std::int64_t defaultLengthMs_;
    std::map<std::string, std::int64_t> lengths_;
    std::vector<std::string> calls_;
    bool open_ = false;
    std::string url_;
    std::int64_t lengthMs_ = 0;
    std::int64_t positionMs_ = 0;
    int state_ = kStateOther;
    bool pauseNext_ = true;
    double speed_ = 1.0;
    double volume_ = 1.0;
};

}  // namespace cq::testing
