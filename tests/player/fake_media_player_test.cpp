#include "player/testing/fake_media_player.h"

#include <gtest/gtest.h>

#include <cmath>

namespace cq::testing {
namespace {

using platform::MediaPlayer;

// The app's window tests rely on the fake keeping the real player's contract.
TEST(FakeMediaPlayerTest, KeepsTheMediaPlayersStatesAndUnits) {
    FakeMediaPlayer media(2'500);
    EXPECT_EQ(media.State(), MediaPlayer::kStateOther);
    EXPECT_EQ(media.PositionMs(), -1);
    EXPECT_EQ(media.LengthSeconds(), 0);
    EXPECT_FALSE(media.Play(-1));

    ASSERT_TRUE(media.Open("http://a.test/x.mp3"));
    EXPECT_EQ(media.State(), MediaPlayer::kStateStopped);
    EXPECT_EQ(media.LengthSeconds(), 2);
    media.Advance(1'000);
    EXPECT_EQ(media.PositionMs(), 0) << "only playing media moves";

    ASSERT_TRUE(media.Play(-1));
    media.Advance(700);
    ASSERT_TRUE(media.PauseResume());
    EXPECT_EQ(media.State(), MediaPlayer::kStatePaused);
    media.Advance(700);
    EXPECT_EQ(media.PositionMs(), 700);
    ASSERT_TRUE(media.PauseResume());
    EXPECT_EQ(media.State(), MediaPlayer::kStatePlaying);
    ASSERT_TRUE(media.PauseResume());
    ASSERT_TRUE(media.Play(-1));  // resets the alternation
    ASSERT_TRUE(media.PauseResume());
    EXPECT_EQ(media.State(), MediaPlayer::kStatePaused);

    ASSERT_TRUE(media.Play(2'000));
    media.Advance(10'000);
    EXPECT_EQ(media.PositionMs(), 2'500);
    EXPECT_EQ(media.State(), MediaPlayer::kStateStopped) << "ended";

    ASSERT_TRUE(media.Stop());
    EXPECT_EQ(media.PositionMs(), 0);
    ASSERT_TRUE(media.Close());
    EXPECT_EQ(media.State(), MediaPlayer::kStateOther);
    EXPECT_FALSE(media.Close());
}

TEST(FakeMediaPlayerTest, RefusesWhatTheRealPlayerRefuses) {
    FakeMediaPlayer media;
    media.SetLengthMs("http://a.test/broken.mp3", -1);
    for (const char* url :
         {"", "file:///x.mp3", "ftp://a.test/x.mp3", "http://a.test/broken.mp3"}) {
        SCOPED_TRACE(url);
        ASSERT_TRUE(media.Open("http://a.test/good.mp3"));
        EXPECT_FALSE(media.Open(url));
        EXPECT_EQ(media.State(), MediaPlayer::kStateOther);
        EXPECT_EQ(media.LengthSeconds(), 0);
    }
    EXPECT_TRUE(media.Open("HTTPS://a.test/x.mp3"));
}

TEST(FakeMediaPlayerTest, SpeedAndVolumeHoldForEveryMediaOpenedAfterwards) {
    FakeMediaPlayer media;
    EXPECT_EQ(media.Speed(), 1.0);
    EXPECT_EQ(media.Volume(), 1.0);
    EXPECT_TRUE(media.SetSpeed(1.5));
    EXPECT_TRUE(media.SetVolume(0.25));
    ASSERT_TRUE(media.Open("http://a.test/x.mp3"));
    EXPECT_TRUE(media.Close());
    EXPECT_EQ(media.Speed(), 1.5);
    EXPECT_EQ(media.Volume(), 0.25);
    for (double refused : {0.0, -1.0, 1000.0, std::nan("")}) {
        EXPECT_FALSE(media.SetSpeed(refused)) << refused;
    }
    EXPECT_EQ(media.Speed(), 1.5);
    EXPECT_TRUE(media.SetVolume(3.0));
    EXPECT_EQ(media.Volume(), 1.0);
    EXPECT_TRUE(media.SetVolume(-1.0));
    EXPECT_EQ(media.Volume(), 0.0);
}

}  // namespace
}  // namespace cq::testing
