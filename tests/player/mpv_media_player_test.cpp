#include "platform/mpv_media_player.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "demo/exclusive_listen.h"
#include "unused_port.h"

namespace cq::platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A quiet mono tone as a WAV file, so the tests need no sample files.
std::string MakeWav(double seconds) {
    constexpr int kRate = 8000;
    const auto samples = static_cast<std::uint32_t>(seconds * kRate);
    std::string out;
    auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    };
    out += "RIFF";
    put(36 + samples * 2, 4);
    out += "WAVEfmt ";
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(kRate, 4);
    put(kRate * 2, 4);
    put(2, 2);
    put(16, 2);
    out += "data";
    put(samples * 2, 4);
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double value = 800.0 * std::sin(2.0 * 3.14159265358979 * 440.0 * i / kRate);
        put(static_cast<std::uint16_t>(static_cast<std::int16_t>(value)), 2);
    }
    return out;
}

// Polls until the condition holds; the deadline only keeps a broken build from
// hanging the suite.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 20s) {
    const auto end = Clock::now() + deadline;
    while (Clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

class MpvMediaPlayerTest : public ::testing::Test {
protected:
    static constexpr double kToneSeconds = 2.0;

    void SetUp() override {
        wav_ = MakeWav(kToneSeconds);
        server_.Get("/tone.wav", [this](const httplib::Request&, httplib::Response& res) {
            ++toneRequests_;
            res.set_content(wav_, "audio/wav");
        });
        server_.Get("/long.wav", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(MakeWav(8.0), "audio/wav");
        });
        server_.Get("/noise.wav", [](const httplib::Request&, httplib::Response& res) {
            std::string junk;
            for (int i = 0; i < 400; ++i) {
                junk += "this is not audio at all ";
            }
            res.set_content(junk, "audio/wav");
        });
        // Announces the whole file, sends the first half and drops the connection;
        // asked again for the rest, it has broken down.
        server_.Get("/truncated.wav", [](const httplib::Request& req, httplib::Response& res) {
            if (!req.ranges.empty() && req.ranges.front().first > 0) {
                res.status = 503;
                return;
            }
            const std::string body = MakeWav(3.0);
            const std::size_t cut = body.size() / 2;
            res.set_content_provider(
                body.size(), "audio/wav",
                [body, cut](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    if (offset >= cut) {
                        return false;
                    }
                    const std::size_t n = std::min(length, cut - offset);
                    sink.write(body.data() + offset, n);
                    return true;
                });
        });
        // Never answers until the test ends.
        server_.Get("/stall.wav", [this](const httplib::Request&, httplib::Response& res) {
            std::unique_lock lock(stallMutex_);
            stallCondition_.wait(lock, [this] { return released_; });
            res.status = 503;
        });
        demo::ListenExclusively(server_);
        port_ = server_.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port_, 0);
        serverThread_ = std::thread([this] { server_.listen_after_bind(); });
        player_ = CreateMpvMediaPlayer();
        ASSERT_NE(player_, nullptr);
    }

    void TearDown() override {
        player_.reset();
        {
            std::lock_guard lock(stallMutex_);
            released_ = true;
        }
        stallCondition_.notify_all();
        server_.stop();
        if (serverThread_.joinable()) {
            serverThread_.join();
        }
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    std::string wav_;
    httplib::Server server_;
    int port_ = 0;
    std::thread serverThread_;
    std::mutex stallMutex_;
    std::condition_variable stallCondition_;
    bool released_ = false;
    std::atomic<int> toneRequests_{0};
    std::unique_ptr<MediaPlayer> player_;
};

TEST_F(MpvMediaPlayerTest, OpenedMediaWaitsStoppedWithItsLengthKnown) {
    ASSERT_TRUE(player_->Open(Url("/tone.wav")));
    EXPECT_EQ(player_->State(), MediaPlayer::kStateStopped);
    EXPECT_EQ(player_->LengthSeconds(), 2);
    EXPECT_EQ(player_->PositionMs(), 0);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(player_->PositionMs(), 0) << "an opened media must not start by itself";
}

TEST_F(MpvMediaPlayerTest, PlaysPausesResumesAndEndsAtItsLength) {
    ASSERT_TRUE(player_->Open(Url("/tone.wav")));
    ASSERT_TRUE(player_->Play(-1));
    EXPECT_EQ(player_->State(), MediaPlayer::kStatePlaying);
    ASSERT_TRUE(WaitFor([&] { return player_->PositionMs() >= 300; }));

    ASSERT_TRUE(player_->PauseResume());
    EXPECT_EQ(player_->State(), MediaPlayer::kStatePaused);
    const std::int64_t pausedAt = player_->PositionMs();
    std::this_thread::sleep_for(300ms);
    EXPECT_NEAR(static_cast<double>(player_->PositionMs()), static_cast<double>(pausedAt), 50.0);

    ASSERT_TRUE(player_->PauseResume());
    EXPECT_EQ(player_->State(), MediaPlayer::kStatePlaying);
    ASSERT_TRUE(WaitFor([&] { return player_->PositionMs() > pausedAt + 100; }));

    // Play resets the alternation: the next call pauses again.
    ASSERT_TRUE(player_->PauseResume());
    ASSERT_TRUE(player_->Play(-1));
    ASSERT_TRUE(player_->PauseResume());
    EXPECT_EQ(player_->State(), MediaPlayer::kStatePaused);

    ASSERT_TRUE(player_->Play(1500));
    EXPECT_NEAR(static_cast<double>(player_->PositionMs()), 1500.0, 300.0);
    ASSERT_TRUE(WaitFor([&] { return player_->PositionMs() >= 2000; }));
    EXPECT_EQ(player_->PositionMs(), 2000);
    EXPECT_EQ(player_->State(), MediaPlayer::kStateStopped);
    EXPECT_EQ(player_->LengthSeconds(), 2);

    // An ended media can be played again from a position.
    ASSERT_TRUE(player_->Play(500));
    EXPECT_LT(player_->PositionMs(), 2000);
}

// The player reads the position once a second; a seek must not freeze it there.
TEST_F(MpvMediaPlayerTest, PositionMovesOnRightAfterASeek) {
    ASSERT_TRUE(player_->Open(Url("/long.wav")));
    ASSERT_TRUE(player_->Play(-1));
    ASSERT_TRUE(player_->Play(1000));
    std::this_thread::sleep_for(1500ms);
    const std::int64_t first = player_->PositionMs();
    EXPECT_GT(first, 1300) << "still shows the seek target";
    std::this_thread::sleep_for(1000ms);
    EXPECT_GT(player_->PositionMs(), first + 500);
}

TEST_F(MpvMediaPlayerTest, StopRewindsAndCloseReleases) {
    ASSERT_TRUE(player_->Open(Url("/tone.wav")));
    ASSERT_TRUE(player_->Play(1000));
    ASSERT_TRUE(player_->Stop());
    EXPECT_EQ(player_->State(), MediaPlayer::kStateStopped);
    EXPECT_EQ(player_->PositionMs(), 0);
    EXPECT_EQ(player_->LengthSeconds(), 2);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(player_->PositionMs(), 0) << "a stopped media stays at its start";
    ASSERT_TRUE(player_->Play(-1));
    ASSERT_TRUE(WaitFor([&] { return player_->PositionMs() > 0; }));
    EXPECT_LT(player_->PositionMs(), 1000) << "played on from the start, not from the seek";

    ASSERT_TRUE(player_->Close());
    EXPECT_EQ(player_->State(), MediaPlayer::kStateOther);
    EXPECT_EQ(player_->PositionMs(), -1);
    EXPECT_EQ(player_->LengthSeconds(), 0);
    EXPECT_FALSE(player_->Play(-1));
    EXPECT_FALSE(player_->PauseResume());
    EXPECT_FALSE(player_->Stop());
    EXPECT_FALSE(player_->Close());
}

TEST_F(MpvMediaPlayerTest, OnlyWebUrlsOpen) {
    const std::string served = Url("/tone.wav");
    struct Case {
        std::string url;
        bool opens;
    };
    const Case cases[] = {
        {served, true},
        {"HTTP" + served.substr(4), true},
        {"", false},
        {"http://", false},
        {"/tmp/tone.wav", false},
        {"file:///etc/hostname", false},
        {"ftp://127.0.0.1/tone.wav", false},
        {"httpx" + served.substr(4), false},
        {"ytdl://" + served.substr(7), false},
        {"av://lavfi:sine", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        // A previous media is closed by every open, also a refused one.
        ASSERT_TRUE(player_->Open(served));
        EXPECT_EQ(player_->Open(c.url), c.opens);
        EXPECT_EQ(player_->State(),
                  c.opens ? MediaPlayer::kStateStopped : MediaPlayer::kStateOther);
        EXPECT_EQ(player_->LengthSeconds(), c.opens ? 2 : 0);
        EXPECT_EQ(player_->PositionMs(), c.opens ? 0 : -1);
    }
}

TEST_F(MpvMediaPlayerTest, MediaThatCannotBeHadFailsToOpen) {
    for (const std::string path : {"/missing.wav", "/noise.wav"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(player_->Open(Url(path)));
        EXPECT_EQ(player_->State(), MediaPlayer::kStateOther);
        EXPECT_EQ(player_->LengthSeconds(), 0);
        EXPECT_EQ(player_->PositionMs(), -1);
    }
    EXPECT_FALSE(
        player_->Open("http://127.0.0.1:" + std::to_string(testing::UnusedPort()) + "/tone.wav"));

    // The player is still usable afterwards.
    EXPECT_TRUE(player_->Open(Url("/tone.wav")));
    EXPECT_EQ(player_->LengthSeconds(), 2);
}

TEST_F(MpvMediaPlayerTest, OpenGivesUpOnAServerThatNeverAnswers) {
    // Long enough for the local file that follows, even on a busy machine.
    player_ = CreateMpvMediaPlayer({.openTimeout = 3s});
    ASSERT_NE(player_, nullptr);
    EXPECT_FALSE(player_->Open(Url("/stall.wav")));
    EXPECT_EQ(player_->State(), MediaPlayer::kStateOther);
    EXPECT_EQ(player_->PositionMs(), -1);
    EXPECT_TRUE(player_->Open(Url("/tone.wav")));
}

TEST_F(MpvMediaPlayerTest, StreamThatBreaksOffCountsAsEnded) {
    ASSERT_TRUE(player_->Open(Url("/truncated.wav")));
    const std::int64_t length = player_->LengthSeconds();
    EXPECT_EQ(length, 3);
    ASSERT_TRUE(player_->Play(-1));
    ASSERT_TRUE(WaitFor([&] { return player_->PositionMs() >= length * 1000; }))
        << "position stuck at " << player_->PositionMs();
    EXPECT_EQ(player_->State(), MediaPlayer::kStateStopped);
    EXPECT_EQ(player_->LengthSeconds(), length);
    // The next episode opens normally.
    EXPECT_TRUE(player_->Open(Url("/tone.wav")));
    EXPECT_TRUE(player_->Play(-1));
    EXPECT_EQ(player_->State(), MediaPlayer::kStatePlaying);
}

// Ended is ended: a stream that came whole to its end is not asked for again.
TEST_F(MpvMediaPlayerTest, ACompleteStreamEndsWithoutBeingAskedForAgain) {
    ASSERT_TRUE(player_->Open(Url("/tone.wav")));
    ASSERT_TRUE(player_->Play(-1));
    ASSERT_TRUE(WaitFor([&] { return player_->State() == MediaPlayer::kStateStopped; }));
    EXPECT_EQ(player_->PositionMs(), 2000);
    const int requests = toneRequests_.load();
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(toneRequests_.load(), requests);
    EXPECT_EQ(player_->PositionMs(), 2000);
    EXPECT_EQ(player_->State(), MediaPlayer::kStateStopped);
}

TEST_F(MpvMediaPlayerTest, SpeedAndVolumeHoldForLaterMediaAndPositionsStayInMediaTime) {
    EXPECT_DOUBLE_EQ(player_->Speed(), 1.0);
    EXPECT_DOUBLE_EQ(player_->Volume(), 1.0);
    ASSERT_TRUE(player_->SetSpeed(2.0));
    ASSERT_TRUE(player_->SetVolume(0.25));
    ASSERT_TRUE(player_->Open(Url("/tone.wav")));
    ASSERT_TRUE(player_->Open(Url("/long.wav")));
    EXPECT_DOUBLE_EQ(player_->Speed(), 2.0);
    EXPECT_NEAR(player_->Volume(), 0.25, 1e-9);
    EXPECT_EQ(player_->LengthSeconds(), 8) << "lengths are media time";

    ASSERT_TRUE(player_->Play(-1));
    ASSERT_TRUE(WaitFor([&] { return player_->PositionMs() > 0; }));
    const auto start = Clock::now();
    const std::int64_t from = player_->PositionMs();
    std::this_thread::sleep_for(1000ms);
    const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    // Twice the wall-clock time, give or take what a busy machine adds.
    EXPECT_NEAR(static_cast<double>(player_->PositionMs() - from), 2.0 * wallMs, 400.0);

    for (double refused : {0.0, -1.0, 1000.0, std::nan("")}) {
        EXPECT_FALSE(player_->SetSpeed(refused)) << refused;
    }
    EXPECT_DOUBLE_EQ(player_->Speed(), 2.0);
    EXPECT_TRUE(player_->SetVolume(1.5));
    EXPECT_DOUBLE_EQ(player_->Volume(), 1.0);
    EXPECT_TRUE(player_->SetVolume(-0.5));
    EXPECT_DOUBLE_EQ(player_->Volume(), 0.0);
    EXPECT_FALSE(player_->SetVolume(std::nan("")));
    EXPECT_DOUBLE_EQ(player_->Volume(), 0.0);
}

// libmpv will not start under a numeric locale other than "C"; the program then
// gets a player that opens nothing rather than no player at all.
TEST(MpvMediaPlayerStartTest, WithoutLibmpvEveryAudioFailsToOpen) {
    ASSERT_NE(std::setlocale(LC_NUMERIC, "C.UTF-8"), nullptr);
    auto player = CreateMpvMediaPlayer();
    std::setlocale(LC_NUMERIC, "C");
    ASSERT_NE(player, nullptr);
    EXPECT_FALSE(player->Open("http://127.0.0.1:1/tone.wav"));
    EXPECT_EQ(player->State(), MediaPlayer::kStateOther);
    EXPECT_EQ(player->PositionMs(), -1);
    EXPECT_EQ(player->LengthSeconds(), 0);
    EXPECT_FALSE(player->Play(-1));
}

}  // namespace
}  // namespace cq::platform
