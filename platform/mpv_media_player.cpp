#include "platform/mpv_media_player.h"

#include <mpv/client.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

namespace cq::platform {
namespace {

// Only the web: a playlist row could otherwise make the player read local files
// or run other protocols.
bool IsWebUrl(std::string_view url) {
    auto startsWith = [&](std::string_view scheme) {
        if (url.size() <= scheme.size()) {
            return false;
        }
        for (std::size_t i = 0; i < scheme.size(); ++i) {
            char c = url[i];
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
            if (c != scheme[i]) {
                return false;
            }
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

constexpr std::int64_t kSeekArrivedMs = 250;
constexpr auto kSeekPatience = std::chrono::seconds(3);

class MpvMediaPlayer final : public MediaPlayer {
public:
    MpvMediaPlayer(mpv_handle* mpv, const MpvMediaPlayerOptions& options)
        : mpv_(mpv), openTimeout_(options.openTimeout), stallLimit_(options.stallLimit) {
        mpv_set_wakeup_callback(mpv_, &MpvMediaPlayer::Wakeup, this);
    }

    ~MpvMediaPlayer() override {
        // No wakeups may reach a half-destroyed object.
        mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
        mpv_terminate_destroy(mpv_);
    }

    bool Open(std::string_view url) override {
        Close();
        if (!IsWebUrl(url) || url.find('\0') != std::string_view::npos) {
            return false;
        }
        // Loaded paused: the media starts with the first Play.
        SetFlag("pause", true);
        // mpv only knows the schemes in lower case.
        std::string target(url);
        for (std::size_t i = 0; i < target.size() && target[i] != ':'; ++i) {
            if (target[i] >= 'A' && target[i] <= 'Z') {
                target[i] = static_cast<char>(target[i] - 'A' + 'a');
            }
        }
        const char* command[] = {"loadfile", target.c_str(), "replace", nullptr};
        mpv_node result;
        if (mpv_command_ret(mpv_, command, &result) < 0) {
            return false;
        }
        entryId_ = 0;
        if (result.format == MPV_FORMAT_NODE_MAP) {
            for (int i = 0; i < result.u.list->num; ++i) {
                if (std::string_view(result.u.list->keys[i]) == "playlist_entry_id" &&
                    result.u.list->values[i].format == MPV_FORMAT_INT64) {
                    entryId_ = result.u.list->values[i].u.int64;
                }
            }
        }
        mpv_free_node_contents(&result);
        loading_ = true;
        started_ = false;
        loaded_ = false;
        failed_ = false;

        const auto deadline = std::chrono::steady_clock::now() + openTimeout_;
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                wakePending_ = false;
            }
            DrainEvents();
            if (loaded_ || failed_) {
                break;
            }
            std::unique_lock lock(mutex_);
            if (!wakeCondition_.wait_until(lock, deadline, [this] { return wakePending_; })) {
                break;
            }
        }
        loading_ = false;
        if (!loaded_) {
            // Failed or too slow: abandon the load so it does not start later.
            StopMpv();
            entryId_ = 0;
            return false;
        }
        open_ = true;
        broken_ = false;
        stopped_ = true;
        pauseNext_ = true;
        lengthMs_ = ReadDurationMs();
        return true;
    }

    bool Play(std::int64_t startMs) override {
        DrainEvents();
        if (!open_ || broken_) {
            return false;
        }
        if (startMs >= 0 && !SeekTo(startMs)) {
            return false;
        }
        pauseNext_ = true;
        stopped_ = false;
        return SetFlag("pause", false);
    }

    bool PauseResume() override {
        DrainEvents();
        if (!open_ || broken_) {
            return false;
        }
        const bool pause = pauseNext_;
        pauseNext_ = !pauseNext_;
        if (!pause) {
            stopped_ = false;
        }
        return SetFlag("pause", pause);
    }

    bool Stop() override {
        DrainEvents();
        if (!open_ || broken_) {
            return false;
        }
        stopped_ = true;
        return SetFlag("pause", true) && SeekTo(0);
    }

    bool Close() override {
        DrainEvents();
        const bool wasOpen = open_;
        open_ = false;
        broken_ = false;
        lengthMs_ = 0;
        entryId_ = 0;
        StopMpv();
        return wasOpen;
    }

    int State() override {
        DrainEvents();
        WatchForStall();
        if (!open_) {
            return kStateOther;
        }
        if (broken_ || stopped_ || ReadFlag("eof-reached")) {
            return kStateStopped;
        }
        return ReadFlag("pause") ? kStatePaused : kStatePlaying;
    }

    std::int64_t PositionMs() override {
        DrainEvents();
        WatchForStall();
        if (!open_) {
            return -1;
        }
        RefreshLength();
        if (broken_) {
            return lengthMs_;
        }
        std::optional<std::int64_t> reported;
        double seconds = 0;
        if (mpv_get_property(mpv_, "time-pos", MPV_FORMAT_DOUBLE, &seconds) >= 0 &&
            std::isfinite(seconds)) {
            reported = std::max<std::int64_t>(0, std::llround(seconds * 1000.0));
        }
        if (seekTarget_) {
            // mpv carries a seek out on its own thread a moment after it was asked
            // for, and reports the old position until then. Once there, the media
            // plays on from the target, so anything between the target and where
            // playing on since the seek can have taken it counts as arrived. A
            // stream that cannot seek never arrives; it gets a little patience,
            // then tells the truth.
            const auto sinceSeek = std::chrono::steady_clock::now() - seekIssuedAt_;
            const std::int64_t playedOnMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(sinceSeek).count();
            const bool arrived = reported && *reported >= *seekTarget_ - kSeekArrivedMs &&
                                 *reported <= *seekTarget_ + playedOnMs + kSeekArrivedMs;
            const bool overdue = sinceSeek > kSeekPatience;
            if (!arrived && !overdue) {
                return *seekTarget_;
            }
            seekTarget_.reset();
        }
        if (ReadFlag("eof-reached")) {
            return lengthMs_;
        }
        if (reported) {
            lastPositionMs_ = *reported;
        }
        return lastPositionMs_;
    }

    std::int64_t LengthSeconds() override {
        DrainEvents();
        if (!open_) {
            return 0;
        }
        RefreshLength();
        return lengthMs_ / 1000;
    }

    bool SetSpeed(double speed) override {
        // What mpv itself accepts; scaletempo keeps the pitch at any of them.
        if (!std::isfinite(speed) || speed < 0.01 || speed > 100.0) {
            return false;
        }
        return mpv_set_property(mpv_, "speed", MPV_FORMAT_DOUBLE, &speed) >= 0;
    }

    double Speed() override {
        double speed = 1.0;
        mpv_get_property(mpv_, "speed", MPV_FORMAT_DOUBLE, &speed);
        return speed;
    }

    bool SetVolume(double volume) override {
        if (std::isnan(volume)) {
            return false;
        }
        double percent = std::clamp(volume, 0.0, 1.0) * 100.0;
        return mpv_set_property(mpv_, "volume", MPV_FORMAT_DOUBLE, &percent) >= 0;
    }

    double Volume() override {
        double percent = 100.0;
        mpv_get_property(mpv_, "volume", MPV_FORMAT_DOUBLE, &percent);
        return std::clamp(percent / 100.0, 0.0, 1.0);
    }

private:
    static void Wakeup(void* context) {
        // Called on one of mpv's threads: only note that events wait.
        auto* self = static_cast<MpvMediaPlayer*>(context);
        {
            std::lock_guard lock(self->mutex_);
            self->wakePending_ = true;
        }
        self->wakeCondition_.notify_all();
    }

    // The one place that takes events off mpv's queue.
    void DrainEvents() {
        for (;;) {
            mpv_event* event = mpv_wait_event(mpv_, 0);
            if (event->event_id == MPV_EVENT_NONE) {
                return;
            }
            HandleEvent(*event);
        }
    }

    void HandleEvent(const mpv_event& event) {
        switch (event.event_id) {
            case MPV_EVENT_START_FILE: {
                const auto* start = static_cast<const mpv_event_start_file*>(event.data);
                if (loading_ && start->playlist_entry_id == entryId_) {
                    started_ = true;
                }
                break;
            }
            case MPV_EVENT_FILE_LOADED:
                if (loading_ && started_) {
                    loaded_ = true;
                }
                break;
            case MPV_EVENT_END_FILE: {
                const auto* end = static_cast<const mpv_event_end_file*>(event.data);
                if (entryId_ == 0 || end->playlist_entry_id != entryId_) {
                    break;  // a file we already let go of
                }
                if (loading_) {
                    failed_ = true;
                } else if (open_) {
                    // The stream broke off (or ended despite keep-open): what was
                    // played is all there is, so the episode counts as ended.
                    broken_ = true;
                }
                break;
            }
            default:
                break;
        }
    }

    // ffmpeg reopens a stalled or broken stream by itself; this only bounds how
    // long the listener is kept waiting for that to succeed.
    void WatchForStall() {
        if (!open_ || broken_ || !ReadFlag("paused-for-cache") || ReadFlag("pause")) {
            waitingSince_.reset();
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!waitingSince_) {
            waitingSince_ = now;
            return;
        }
        if (now - *waitingSince_ < stallLimit_) {
            return;
        }
        waitingSince_.reset();
        broken_ = true;
        // Lets go of the connection ffmpeg is still trying to restore.
        const char* command[] = {"stop", nullptr};
        mpv_command(mpv_, command);
    }

    void StopMpv() {
        const char* command[] = {"stop", nullptr};
        mpv_command(mpv_, command);
        lastPositionMs_ = 0;
        seekTarget_.reset();
    }

    bool SeekTo(std::int64_t ms) {
        const std::string seconds = std::to_string(static_cast<double>(ms) / 1000.0);
        const char* command[] = {"seek", seconds.c_str(), "absolute+exact", nullptr};
        if (mpv_command(mpv_, command) < 0) {
            return false;
        }
        lastPositionMs_ = ms;
        seekTarget_ = lengthMs_ > 0 ? std::min(ms, lengthMs_) : ms;
        seekIssuedAt_ = std::chrono::steady_clock::now();
        return true;
    }

    bool SetFlag(const char* name, bool value) {
        int flag = value ? 1 : 0;
        return mpv_set_property(mpv_, name, MPV_FORMAT_FLAG, &flag) >= 0;
    }

    bool ReadFlag(const char* name) {
        int flag = 0;
        return mpv_get_property(mpv_, name, MPV_FORMAT_FLAG, &flag) >= 0 && flag != 0;
    }

    std::int64_t ReadDurationMs() {
        double seconds = 0;
        if (mpv_get_property(mpv_, "duration", MPV_FORMAT_DOUBLE, &seconds) < 0 ||
            !std::isfinite(seconds) || seconds <= 0) {
            return 0;
        }
        // Beyond any real episode; keeps the arithmetic far from overflow.
        return static_cast<std::int64_t>(std::min(seconds, 1e9) * 1000.0);
    }

    // Some streams only learn their duration while they play; a broken stream
    // keeps the last one known.
    void RefreshLength() {
        if (!broken_) {
            if (const std::int64_t ms = ReadDurationMs(); ms > 0) {
                lengthMs_ = ms;
            }
        }
    }

    mpv_handle* mpv_;
    std::chrono::milliseconds openTimeout_;
    std::chrono::milliseconds stallLimit_;
    // Since when playback has stood waiting for the network, as far as seen.
    std::optional<std::chrono::steady_clock::time_point> waitingSince_;

    std::mutex mutex_;
    std::condition_variable wakeCondition_;
    bool wakePending_ = false;

    std::int64_t entryId_ = 0;  // playlist entry of the media we hold, 0 for none
    bool loading_ = false;
    bool started_ = false;
    bool loaded_ = false;
    bool failed_ = false;

    bool open_ = false;
    bool broken_ = false;
    bool stopped_ = false;
    bool pauseNext_ = true;
    std::int64_t lengthMs_ = 0;
    std::int64_t lastPositionMs_ = 0;
    std::optional<std::int64_t> seekTarget_;  // until mpv has carried the seek out
    std::chrono::steady_clock::time_point seekIssuedAt_;
};

// Stands in when libmpv cannot start: every audio counts as one that cannot be
// opened, which the player logic already copes with.
class UnavailableMediaPlayer final : public MediaPlayer {
public:
    bool Open(std::string_view) override { return false; }
    bool Play(std::int64_t) override { return false; }
    bool PauseResume() override { return false; }
    bool Stop() override { return false; }
    bool Close() override { return false; }
    int State() override { return kStateOther; }
    std::int64_t PositionMs() override { return -1; }
    std::int64_t LengthSeconds() override { return 0; }
    bool SetSpeed(double) override { return false; }
    double Speed() override { return 1.0; }
    bool SetVolume(double) override { return false; }
    double Volume() override { return 1.0; }
};

}  // namespace

std::unique_ptr<MediaPlayer> CreateMpvMediaPlayer(const MpvMediaPlayerOptions& options) {
    mpv_handle* mpv = mpv_create();
    if (mpv == nullptr) {
        return std::make_unique<UnavailableMediaPlayer>();
    }
    const std::string networkTimeout = std::to_string(options.networkTimeout.count());
    // The program reads no settings and runs nothing but the decoder: no user
    // configuration, scripts, URL helpers or watch-later files, no video, no
    // key bindings, and network access only over http(s).
    const char* const webOnly = "protocol_whitelist=[http,https,tcp,tls,crypto,httpproxy]";
    // A broken or stalled download is reopened from where its data stopped (see
    // the options); one that reached the end of the file is not.
    const std::string webStream = std::string(webOnly) +
                                  ",reconnect=1,reconnect_streamed=0,reconnect_at_eof=0,"
                                  "reconnect_delay_max=7";
    const std::pair<const char*, std::string> settings[] = {
        {"config", "no"},
        {"load-scripts", "no"},
        {"ytdl", "no"},
        {"osc", "no"},
        {"load-stats-overlay", "no"},
        {"load-osd-console", "no"},
        {"load-auto-profiles", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"terminal", "no"},
        {"resume-playback", "no"},
        {"save-position-on-quit", "no"},
        {"access-references", "no"},
        {"audio-file-auto", "no"},
        {"sub-auto", "no"},
        {"cover-art-auto", "no"},
        {"vid", "no"},
        {"audio-display", "no"},
        {"idle", "yes"},
        // Hold the last frame at the end so the position reads as the full length.
        {"keep-open", "yes"},
        {"ao", options.audioOutputs},
        {"audio-client-name", "chenque"},
        // Faster or slower speech keeps its voice (scaletempo).
        {"audio-pitch-correction", "yes"},
        {"network-timeout", networkTimeout},
        {"stream-lavf-o", webStream},
        {"demuxer-lavf-o", webOnly},
    };
    for (const auto& [name, value] : settings) {
        // An option this libmpv lacks is simply not needed there.
        mpv_set_option_string(mpv, name, value.c_str());
    }
    if (mpv_initialize(mpv) < 0) {
        mpv_terminate_destroy(mpv);
        return std::make_unique<UnavailableMediaPlayer>();
    }
    return std::make_unique<MpvMediaPlayer>(mpv, options);
}

}  // namespace cq::platform
