#include "platform/deferred_media_player.h"

#include <future>
#include <utility>

namespace cq::platform {
namespace {

class DeferredMediaPlayer final : public MediaPlayer {
public:
    explicit DeferredMediaPlayer(std::function<std::unique_ptr<MediaPlayer>()> make)
        : making_(std::async(std::launch::async, std::move(make))) {}

    // Ends as it would have if made at once: the player is released on this
    // thread, after the making thread has finished.
    ~DeferredMediaPlayer() override { Player(); }

    bool Open(std::string_view url) override { return Player().Open(url); }
    bool Play(std::int64_t startMs) override { return Player().Play(startMs); }
    bool PauseResume() override { return Player().PauseResume(); }
    bool Stop() override { return Player().Stop(); }
    bool Close() override { return Player().Close(); }
    int State() override { return Player().State(); }
    std::int64_t PositionMs() override { return Player().PositionMs(); }
    std::int64_t LengthSeconds() override { return Player().LengthSeconds(); }
    bool SetSpeed(double speed) override { return Player().SetSpeed(speed); }
    double Speed() override { return Player().Speed(); }
    bool SetVolume(double volume) override { return Player().SetVolume(volume); }
    double Volume() override { return Player().Volume(); }

private:
    MediaPlayer& Player() {
        if (making_.valid()) {
            player_ = making_.get();
        }
        return *player_;
    }

    std::future<std::unique_ptr<MediaPlayer>> making_;
    std::unique_ptr<MediaPlayer> player_;
};

}  // namespace

std::unique_ptr<MediaPlayer> MakeMediaPlayerInBackground(
    std::function<std::unique_ptr<MediaPlayer>()> make) {
    return std::make_unique<DeferredMediaPlayer>(std::move(make));
}

}  // namespace cq::platform
