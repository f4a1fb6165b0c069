#include "platform/deferred_media_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "player/testing/fake_media_player.h"

namespace cq::testing {
namespace {

using platform::MediaPlayer;

// Notes where it was made and when it goes.
class WatchedPlayer : public FakeMediaPlayer {
public:
    explicit WatchedPlayer(std::atomic<int>* released) : FakeMediaPlayer(2'500), released_(released) {}
    ~WatchedPlayer() override { ++*released_; }

private:
    std::atomic<int>* released_;
};

TEST(DeferredMediaPlayerTest, IsMadeOnAnotherThreadAndTakesEveryCallOnceMade) {
    std::promise<void> mayMake;
    std::shared_future<void> allowed = mayMake.get_future().share();
    std::atomic<int> made{0};
    std::atomic<int> released{0};
    std::thread::id madeOn;
    WatchedPlayer* inner = nullptr;

    // The caller goes on while the player is still being made.
    std::unique_ptr<MediaPlayer> media = platform::MakeMediaPlayerInBackground([&] {
        allowed.wait_for(std::chrono::seconds(5));
        ++made;
        madeOn = std::this_thread::get_id();
        auto player = std::make_unique<WatchedPlayer>(&released);
        inner = player.get();
        return std::unique_ptr<MediaPlayer>(std::move(player));
    });
    EXPECT_EQ(made, 0);
    mayMake.set_value();

    EXPECT_EQ(media->State(), MediaPlayer::kStateOther) << "the first call waits for the player";
    ASSERT_NE(inner, nullptr);
    EXPECT_NE(madeOn, std::this_thread::get_id());
    EXPECT_TRUE(media->Open("http://a.test/x.mp3"));
    EXPECT_TRUE(media->Play(-1));
    inner->Advance(1'200);
    EXPECT_EQ(media->PositionMs(), 1'200);
    EXPECT_EQ(media->LengthSeconds(), 2);
    EXPECT_EQ(media->State(), MediaPlayer::kStatePlaying);
    EXPECT_TRUE(media->PauseResume());
    EXPECT_EQ(media->State(), MediaPlayer::kStatePaused);
    EXPECT_TRUE(media->Stop());
    EXPECT_TRUE(media->Close());
    EXPECT_EQ(inner->Calls(), (std::vector<std::string>{"open http://a.test/x.mp3", "play -1",
                                                        "pauseResume", "stop", "close"}));
    EXPECT_EQ(made, 1);
    EXPECT_EQ(released, 0);
    media.reset();
    EXPECT_EQ(released, 1);
}

TEST(DeferredMediaPlayerTest, OneNeverCalledStillWaitsForItsPlayerAndReleasesIt) {
    std::atomic<int> released{0};
    std::atomic<bool> made{false};
    auto media = platform::MakeMediaPlayerInBackground([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        made = true;
        return std::unique_ptr<MediaPlayer>(std::make_unique<WatchedPlayer>(&released));
    });
    media.reset();
    EXPECT_TRUE(made);
    EXPECT_EQ(released, 1);
}

}  // namespace
}  // namespace cq::testing
