#include "player/player_controller.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "fake_player_view.h"
#include "player/pictures.h"
#include "player/player_state.h"
#include "player/testing/fake_media_player.h"

namespace cq {
namespace {

using testing::FakeMediaPlayer;
using testing::FakePlayerView;

std::string AudioUrl(int row) {
    return "http://audio.test/" + std::to_string(row) + ".mp3";
}
std::string CoverUrl(int row) {
    return "http://cover.test/" + std::to_string(row) + ".jpg";
}

class PlayerControllerTest : public ::testing::Test {
protected:
    static constexpr int kRows = 4;

    PlayerControllerTest() {
        for (int row = 0; row < kRows; ++row) {
            const Text duration = "0" + std::to_string(row + 1) + "分00秒";
            view_.rows.push_back({"第" + std::to_string(row) + "期", AudioUrl(row), CoverUrl(row),
                                  duration, duration});
        }
        LoopMode = ExitAfterEpisode;
        LastRowIndex = kRows - 1;
    }

    ~PlayerControllerTest() override {
        LoopMode = 0;
        LastRowIndex = 0;
    }

    // The cover "picture" names its URL, so a test sees which one was fetched.
    Bytes FetchCoverFake(const Text& url) {
        coverRequests_.push_back(url);
        return BytesFromText("picture of " + url);
    }

    // Lets the media play on and runs one play-timer tick.
    void PlayFor(std::int64_t ms) {
        media_.Advance(ms);
        controller_.OnPlayTimerTick();
    }

    void EndEpisode() {
        media_.FinishEpisode();
        controller_.OnPlayTimerTick();
    }

    Text Status(int row) const { return view_.rows[row][3]; }

    FakePlayerView view_;
    FakeMediaPlayer media_{300'000};
    std::vector<Text> coverRequests_;
    PlayerController controller_{view_, media_,
                                 [this](const Text& url) { return FetchCoverFake(url); }};
};

TEST_F(PlayerControllerTest, PlayRowLoadsTheRowAndStartsThePlayTimer) {
    media_.SetLengthMs(AudioUrl(1), 545'900);
    controller_.PlayRow(1);

    EXPECT_EQ(controller_.CurrentIndex(), 1);
    EXPECT_EQ(view_.title, "第1期");
    EXPECT_EQ(Status(1), "正在播放...");
    EXPECT_EQ(view_.selection, 1);
    EXPECT_GE(view_.focusCount, 1);
    EXPECT_EQ(view_.playPausePicture, PicturePause());
    EXPECT_EQ(view_.elapsed, "00分00秒");
    EXPECT_EQ(coverRequests_, std::vector<Text>{CoverUrl(1)});
    EXPECT_EQ(view_.cover, BytesFromText("picture of " + CoverUrl(1)));
    EXPECT_EQ(view_.sliderValue, 0);
    EXPECT_EQ(view_.sliderMaximum, 545);
    EXPECT_EQ(view_.total, "09分05秒");
    EXPECT_EQ(media_.Calls(),
              (std::vector<std::string>{"stop", "close", "open " + AudioUrl(1), "play -1"}));
    EXPECT_EQ(media_.State(), platform::MediaPlayer::kStatePlaying);
    EXPECT_EQ(controller_.PlayTimerPeriod(), 1000);
    EXPECT_EQ(controller_.SeekTimerPeriod(), 0);

    // Loading another row gives the first one back its duration text.
    controller_.PlayRow(3);
    EXPECT_EQ(Status(1), "02分00秒");
    EXPECT_EQ(Status(3), "正在播放...");
    EXPECT_EQ(view_.title, "第3期");
    EXPECT_EQ(media_.OpenUrl(), AudioUrl(3));
}

TEST_F(PlayerControllerTest, ReloadingTheLoadedRowStartsItAgainAndKeepsItMarked) {
    controller_.PlayRow(0);
    PlayFor(42'000);
    EXPECT_EQ(view_.sliderValue, 42);

    controller_.PlayRow(0);
    EXPECT_EQ(Status(0), "正在播放...");
    EXPECT_EQ(coverRequests_.size(), 2u);
    EXPECT_EQ(view_.sliderValue, 0);
    EXPECT_EQ(media_.PositionMs(), 0);
}

TEST_F(PlayerControllerTest, GbkAudioUrlReachesThePlayerAsUtf8) {
    view_.rows[2][1] = "http://audio.test/早报.mp3";
    controller_.PlayRow(2);
    EXPECT_EQ(media_.OpenUrl(), "http://audio.test/\xE6\x97\xA9\xE6\x8A\xA5.mp3");
}

TEST_F(PlayerControllerTest, MissingCoverLeavesThePictureEmptyAndPlays) {
    view_.rows[1][2].clear();
    controller_.PlayRow(0);
    controller_.PlayRow(1);
    EXPECT_TRUE(view_.cover.empty());
    EXPECT_EQ(media_.State(), platform::MediaPlayer::kStatePlaying);
}

TEST_F(PlayerControllerTest, TickFollowsThePositionInWholeSeconds) {
    controller_.PlayRow(0);
    PlayFor(61'999);
    EXPECT_EQ(view_.sliderValue, 61);
    EXPECT_EQ(view_.elapsed, "01分01秒");
    PlayFor(3'600'000);  // clamped to the length: the end
    EXPECT_EQ(view_.exitCode, 0);
}

TEST_F(PlayerControllerTest, StoppingLeavesTheDisplayAndTheTimerAlone) {
    LoopMode = SequentialLoop;
    controller_.PlayRow(2);
    PlayFor(10'000);
    media_.ClearCalls();

    controller_.PlayRow(-1);
    EXPECT_EQ(media_.Calls(), (std::vector<std::string>{"stop", "close"}));
    EXPECT_EQ(controller_.CurrentIndex(), 2);
    EXPECT_EQ(Status(2), "正在播放...");
    EXPECT_EQ(view_.title, "第2期");
    EXPECT_EQ(view_.total, "05分00秒");
    EXPECT_EQ(controller_.PlayTimerPeriod(), 1000);

    // Nothing is open: the slider falls to 0 but the old maximum means no end.
    controller_.OnPlayTimerTick();
    EXPECT_EQ(view_.sliderValue, 0);
    EXPECT_EQ(view_.elapsed, "00分00秒");
    EXPECT_EQ(view_.sliderMaximum, 300);
    EXPECT_FALSE(media_.IsOpen());
    EXPECT_EQ(controller_.CurrentIndex(), 2);
}

TEST_F(PlayerControllerTest, EpisodeEndFollowsTheLoopMode) {
    struct Case {
        const char* name;
        std::int32_t loopMode;
        int playing;
        int nextRow;  // -1: the player stops
    };
    const Case cases[] = {
        {"sequential moves on", SequentialLoop, 1, 2},
        {"sequential stops after the last row", SequentialLoop, 3, -1},
        {"repeat one plays the row again", RepeatOne, 2, 2},
        {"before loading has set a mode", 0, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopMode = c.loopMode;
        controller_.PlayRow(c.playing);
        PlayFor(120'000);
        EXPECT_EQ(controller_.CurrentIndex(), c.playing) << "no end before the length";
        media_.ClearCalls();

        EndEpisode();
        if (c.nextRow < 0) {
            EXPECT_EQ(media_.Calls(), (std::vector<std::string>{"stop", "close"}));
            EXPECT_FALSE(media_.IsOpen());
            EXPECT_EQ(controller_.CurrentIndex(), c.playing);
            EXPECT_EQ(Status(c.playing), "正在播放...");
            // The stopped player stays stopped on the following ticks.
            media_.ClearCalls();
            controller_.OnPlayTimerTick();
            EXPECT_TRUE(media_.Calls().empty());
        } else {
            EXPECT_EQ(controller_.CurrentIndex(), c.nextRow);
            EXPECT_EQ(media_.OpenUrl(), AudioUrl(c.nextRow));
            EXPECT_EQ(media_.State(), platform::MediaPlayer::kStatePlaying);
            EXPECT_EQ(media_.PositionMs(), 0);
            EXPECT_EQ(Status(c.nextRow), "正在播放...");
        }
        EXPECT_FALSE(view_.exitCode.has_value());
    }
}

TEST_F(PlayerControllerTest, ExitAfterEpisodeEndsTheProgramWithCodeZero) {
    LoopMode = ExitAfterEpisode;
    controller_.PlayRow(1);
    PlayFor(299'000);
    EXPECT_FALSE(view_.exitCode.has_value());
    media_.ClearCalls();

    EndEpisode();
    EXPECT_EQ(view_.exitCode, 0);
    EXPECT_TRUE(media_.Calls().empty()) << "nothing further is loaded";
    EXPECT_EQ(controller_.CurrentIndex(), 1);
    EXPECT_EQ(controller_.PlayTimerPeriod(), 0);
}

TEST_F(PlayerControllerTest, RandomLoopNeverDrawsRowZero) {
    LoopMode = RandomLoop;
    for (const int lastRow : {1, 3}) {
        SCOPED_TRACE(lastRow);
        LastRowIndex = lastRow;
        std::set<int> drawn;
        controller_.PlayRow(0);
        for (int episode = 0; episode < 200; ++episode) {
            EndEpisode();
            drawn.insert(controller_.CurrentIndex());
        }
        std::set<int> expected;
        for (int row = 1; row <= lastRow; ++row) {
            expected.insert(row);
        }
        EXPECT_EQ(drawn, expected);
    }
}

TEST_F(PlayerControllerTest, RandomLoopWithASingleRowReplaysIt) {
    LoopMode = RandomLoop;
    LastRowIndex = 0;
    controller_.PlayRow(0);
    EndEpisode();
    EXPECT_EQ(controller_.CurrentIndex(), 0);
    EXPECT_EQ(media_.State(), platform::MediaPlayer::kStatePlaying);
}

TEST_F(PlayerControllerTest, AudioThatCannotBeOpenedCountsAsEndedAtTheFirstTick) {
    media_.SetLengthMs(AudioUrl(1), -1);
    LoopMode = SequentialLoop;
    controller_.PlayRow(1);
    EXPECT_EQ(view_.sliderMaximum, 0);
    EXPECT_EQ(view_.total, "00分00秒");
    EXPECT_EQ(controller_.CurrentIndex(), 1);

    controller_.OnPlayTimerTick();
    EXPECT_EQ(controller_.CurrentIndex(), 2);
    EXPECT_EQ(view_.sliderMaximum, 300);
}

TEST_F(PlayerControllerTest, LengthBeyondTheSliderRangeIsClamped) {
    media_.SetLengthMs(AudioUrl(0), 40'000'000);
    controller_.PlayRow(0);
    EXPECT_EQ(view_.sliderMaximum, 32767);
    EXPECT_EQ(view_.total, "06分40秒");  // minutes within the hour

    PlayFor(32'766'000);
    EXPECT_FALSE(view_.exitCode.has_value());
    PlayFor(1'000);
    EXPECT_EQ(view_.sliderValue, 32767);
    EXPECT_EQ(view_.exitCode, 0);
}

TEST_F(PlayerControllerTest, NextAndPreviousWrapAround) {
    struct Case {
        const char* name;
        int from;
        void (PlayerController::*action)();
        int expected;
    };
    const Case cases[] = {
        {"next", 1, &PlayerController::NextRow, 2},
        {"next on the last row", 3, &PlayerController::NextRow, 0},
        {"previous", 2, &PlayerController::PreviousRow, 1},
        {"previous on row 0", 0, &PlayerController::PreviousRow, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        controller_.PlayRow(c.from);
        const int focusBefore = view_.focusCount;
        coverRequests_.clear();
        (controller_.*c.action)();
        EXPECT_EQ(controller_.CurrentIndex(), c.expected);
        EXPECT_EQ(media_.OpenUrl(), AudioUrl(c.expected));
        EXPECT_EQ(media_.PositionMs(), 0);
        EXPECT_EQ(Status(c.expected), "正在播放...");
        EXPECT_EQ(coverRequests_, std::vector<Text>{CoverUrl(c.expected)});
        EXPECT_GT(view_.focusCount, focusBefore);
    }
}

TEST_F(PlayerControllerTest, HoldingNextSeeksTenSecondsPerTickAndAppliesOnRelease) {
    controller_.PlayRow(0);
    PlayFor(30'000);
    media_.ClearCalls();

    controller_.OnNextPressed();
    EXPECT_EQ(controller_.SeekDirection(), 1);
    EXPECT_EQ(controller_.SeekTimerPeriod(), 100);
    EXPECT_EQ(controller_.PlayTimerPeriod(), 0);

    for (const int expected : {40, 50, 60}) {
        controller_.OnSeekTimerTick();
        EXPECT_EQ(view_.sliderValue, expected);
        // The label trails the slider by one step.
        EXPECT_EQ(view_.elapsed, "00分" + std::to_string(expected - 10) + "秒");
    }
    EXPECT_TRUE(media_.Calls().empty()) << "the media plays on untouched while held";

    controller_.OnSeekReleased();
    EXPECT_EQ(controller_.SeekDirection(), 0);
    EXPECT_EQ(controller_.SeekTimerPeriod(), 0);
    EXPECT_EQ(controller_.PlayTimerPeriod(), 1000);
    EXPECT_EQ(media_.Calls(), std::vector<std::string>{"play 60000"});
    EXPECT_EQ(media_.PositionMs(), 60'000);
    EXPECT_EQ(controller_.CurrentIndex(), 0);
}

TEST_F(PlayerControllerTest, HoldingStopsAtTheEndsOfTheSlider) {
    controller_.PlayRow(2);
    PlayFor(25'000);

    controller_.OnPreviousPressed();
    EXPECT_EQ(controller_.SeekDirection(), -1);
    for (const int expected : {15, 5, 0, 0}) {
        controller_.OnSeekTimerTick();
        EXPECT_EQ(view_.sliderValue, expected);
    }
    controller_.OnSeekReleased();
    EXPECT_EQ(media_.PositionMs(), 0);

    controller_.OnNextPressed();
    for (int tick = 0; tick < 40; ++tick) {
        controller_.OnSeekTimerTick();
    }
    EXPECT_EQ(view_.sliderValue, 300);
    controller_.OnSeekReleased();
    // The release restarted the play timer: its next tick finds the end.
    controller_.OnPlayTimerTick();
    EXPECT_EQ(view_.exitCode, 0);
}

TEST_F(PlayerControllerTest, OnlyTheUsersSliderMovesSeek) {
    controller_.PlayRow(0);
    PlayFor(5'000);
    media_.ClearCalls();

    controller_.OnSliderMovedByUser(120);
    EXPECT_EQ(media_.Calls(), std::vector<std::string>{"play 120000"});
    EXPECT_EQ(media_.PositionMs(), 120'000);

    // Ticks set the slider from code: that never seeks.
    media_.ClearCalls();
    for (int tick = 0; tick < 3; ++tick) {
        PlayFor(1'000);
    }
    EXPECT_EQ(view_.sliderValue, 123);
    EXPECT_TRUE(media_.Calls().empty());
}

TEST_F(PlayerControllerTest, PlayPauseShowsWhatTheNextClickDoes) {
    controller_.PlayRow(0);
    PlayFor(7'000);
    media_.ClearCalls();

    controller_.OnPlayPauseClicked();
    EXPECT_EQ(media_.State(), platform::MediaPlayer::kStatePaused);
    EXPECT_EQ(view_.playPausePicture, PicturePlay());
    PlayFor(5'000);
    EXPECT_EQ(view_.sliderValue, 7) << "paused: the timer ticks, the position stands";

    controller_.OnPlayPauseClicked();
    EXPECT_EQ(media_.State(), platform::MediaPlayer::kStatePlaying);
    EXPECT_EQ(view_.playPausePicture, PicturePause());
    EXPECT_EQ(media_.Calls(), (std::vector<std::string>{"pauseResume", "play -1"}));
    PlayFor(1'000);
    EXPECT_EQ(view_.sliderValue, 8) << "continues from where it paused";

    // A seek while paused plays on, so the button offers to pause again.
    controller_.OnPlayPauseClicked();
    controller_.OnSliderMovedByUser(60);
    EXPECT_EQ(media_.State(), platform::MediaPlayer::kStatePlaying);
    EXPECT_EQ(view_.playPausePicture, PicturePause());

    // With nothing open a click shows the pause picture and plays nothing.
    controller_.PlayRow(-1);
    controller_.OnPlayPauseClicked();
    controller_.OnPlayPauseClicked();
    EXPECT_EQ(view_.playPausePicture, PicturePause());
    EXPECT_EQ(media_.State(), platform::MediaPlayer::kStateOther);
}

TEST_F(PlayerControllerTest, DoubleClickPlaysTheSelectionOrStops) {
    controller_.PlayRow(0);
    view_.selection = 2;
    controller_.OnPlaylistDoubleClicked();
    EXPECT_EQ(controller_.CurrentIndex(), 2);
    EXPECT_EQ(media_.OpenUrl(), AudioUrl(2));

    view_.selection = -1;
    media_.ClearCalls();
    controller_.OnPlaylistDoubleClicked();
    EXPECT_EQ(media_.Calls(), (std::vector<std::string>{"stop", "close"}));
    EXPECT_EQ(controller_.CurrentIndex(), 2);
    EXPECT_EQ(view_.title, "第2期");
    EXPECT_EQ(Status(2), "正在播放...");
}

TEST_F(PlayerControllerTest, LoopModeButtonCyclesFromThePictureItShows) {
    struct Step {
        std::int32_t mode;
        const Bytes& picture;
        Text toolTip;
    };
    const Step cycle[] = {
        {RepeatOne, PictureRepeatOne(), "单曲循环"},
        {RandomLoop, PictureRandomLoop(), "随机循环"},
        {SequentialLoop, PictureSequentialLoop(), "顺序循环"},
        {ExitAfterEpisode, PictureExitAfterEpisode(), "单曲结束"},
        {RepeatOne, PictureRepeatOne(), "单曲循环"},
    };
    for (const Step& step : cycle) {
        controller_.OnLoopModeClicked();
        EXPECT_EQ(LoopMode.load(), step.mode);
        EXPECT_EQ(view_.loopModePicture, step.picture);
        EXPECT_EQ(view_.loopModeToolTip, step.toolTip);
    }

    // A reload sets the mode back without touching the picture; the cycle goes
    // on from the picture.
    LoopMode = ExitAfterEpisode;
    controller_.OnLoopModeClicked();
    EXPECT_EQ(LoopMode.load(), RandomLoop);

    // A picture that is none of the four changes nothing.
    view_.loopModePicture = PicturePlay();
    view_.loopModeToolTip.clear();
    controller_.OnLoopModeClicked();
    EXPECT_EQ(LoopMode.load(), RandomLoop);
    EXPECT_EQ(view_.loopModePicture, PicturePlay());
    EXPECT_TRUE(view_.loopModeToolTip.empty());
}

TEST_F(PlayerControllerTest, ShutdownStopsTimersAndReleasesTheMedia) {
    controller_.PlayRow(0);
    controller_.OnNextPressed();
    controller_.Shutdown();
    EXPECT_EQ(controller_.PlayTimerPeriod(), 0);
    EXPECT_EQ(controller_.SeekTimerPeriod(), 0);
    EXPECT_FALSE(media_.IsOpen());
}

// The timers really drive the ticks when the event loop runs.
TEST_F(PlayerControllerTest, TimersFireInTheEventLoop) {
    LoopMode = SequentialLoop;
    controller_.PlayRow(0);
    media_.FinishEpisode();
    QElapsedTimer clock;
    clock.start();
    while (controller_.CurrentIndex() == 0 && clock.elapsed() < 10'000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    EXPECT_EQ(controller_.CurrentIndex(), 1);

    controller_.OnNextPressed();
    clock.restart();
    while (view_.sliderValue < 20 && clock.elapsed() < 10'000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    EXPECT_GE(view_.sliderValue, 20);
    controller_.OnSeekReleased();
}

}  // namespace
}  // namespace cq
