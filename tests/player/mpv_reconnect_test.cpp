// The media player over libmpv against the demo service's broken downloads: a
// connection that stalls half-way and one that is cut while the service restarts.
// The episodes are whole bulletins (some 40 s), played four times as fast, so
// that the player streams them as it would a real episode.

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "demo/harness/demo_service.h"
#include "platform/mpv_media_player.h"

namespace cq::platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::DemoService;

constexpr double kSpeed = 4.0;

struct Sample {
    Clock::time_point at;
    std::int64_t positionMs;
};

struct Episode {
    std::string url;
    std::string path;  // the URL's path, as the service's log names it
    std::int64_t bytes = 0;
};

// Today's morning episode as the service lists it, with the size of its audio.
Episode TodaysMorningEpisode(const DemoService& service) {
    httplib::Client client(service.HttpOrigin());
    client.set_read_timeout(30, 0);
    Episode episode;
    const auto list =
        client.Get("/fm/read/fmd/h5/getPayResourceList_714.html?pid=367750&isFree=1&pageNum=1");
    if (!list || list->status != 200) {
        return episode;
    }
    const auto body = nlohmann::json::parse(list->body, nullptr, false);
    if (!body.contains("data") || body["data"]["list"].size() < 2) {
        return episode;
    }
    // Row 0 of the list is dated tomorrow; the player would never see it.
    episode.url = body["data"]["list"][1]["audiolist"][0]["filePath"].get<std::string>();
    episode.path = episode.url.substr(episode.url.find('/', std::string("http://").size()));
    // HEAD answers with the length and never starts a download the fault could break.
    if (const auto head = client.Head(episode.path); head && head->status == 200) {
        episode.bytes = std::stoll(head->get_header_value("Content-Length"));
    }
    return episode;
}

// Plays the episode to its end as the play timer watches it, a little more often.
std::vector<Sample> PlayToTheEnd(MediaPlayer& player, const Episode& episode) {
    std::vector<Sample> samples;
    if (!player.Open(episode.url) || !player.SetSpeed(kSpeed) || !player.Play(-1)) {
        return samples;
    }
    const std::int64_t lengthMs = player.LengthSeconds() * 1000;
    const auto deadline = Clock::now() + 90s;
    while (Clock::now() < deadline) {
        const std::int64_t position = player.PositionMs();
        samples.push_back({Clock::now(), position});
        if (position >= lengthMs || player.State() != MediaPlayer::kStatePlaying) {
            break;
        }
        std::this_thread::sleep_for(100ms);
    }
    return samples;
}

// The longest time the position stood still, in wall-clock time.
Clock::duration LongestStandStill(const std::vector<Sample>& samples) {
    Clock::duration longest{};
    std::size_t since = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i].positionMs != samples[since].positionMs) {
            since = i;
        }
        longest = std::max(longest, samples[i].at - samples[since].at);
    }
    return longest;
}

// Media time moves on at the speed set and never back, from the start to the
// end (the last step may snap to the exact length, once the media has ended).
void ExpectPlayedThroughWithoutJumps(const std::vector<Sample>& samples, std::int64_t lengthMs) {
    ASSERT_GE(samples.size(), 2u);
    EXPECT_GE(samples.back().positionMs, lengthMs) << "played to the episode's length";
    for (std::size_t i = 1; i + 1 < samples.size(); ++i) {
        const auto wallMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(samples[i].at - samples[i - 1].at)
                .count();
        const std::int64_t step = samples[i].positionMs - samples[i - 1].positionMs;
        EXPECT_GE(step, -100) << "jumped back at sample " << i;
        EXPECT_LE(step, static_cast<std::int64_t>(wallMs * kSpeed) + 600)
            << "jumped ahead at sample " << i << " from " << samples[i - 1].positionMs;
    }
}

// Range requests for the file that start in its middle third: a reopen from
// where the broken download stopped.
std::vector<std::int64_t> ReopenedFrom(const DemoService& service, const Episode& episode) {
    std::vector<std::int64_t> starts;
    for (const auto& request : service.Requests()) {
        if (!request.is_object() || request.value("target", "") != episode.path ||
            request.value("method", "") != "GET") {
            continue;
        }
        const std::string range = request["headers"].value("Range", "");
        long long start = -1;
        if (std::sscanf(range.c_str(), "bytes=%lld-", &start) == 1 && start > episode.bytes / 3 &&
            start < episode.bytes * 2 / 3) {
            starts.push_back(start);
        }
    }
    return starts;
}

class MpvReconnectTest : public ::testing::Test {
protected:
    void Start(const char* fault, const MpvMediaPlayerOptions& options = {}) {
        service_ = std::make_unique<DemoService>(std::vector<std::string>{"--fault", fault},
                                                 DemoService::Audio::kBulletin);
        ASSERT_TRUE(service_->Started());
        episode_ = TodaysMorningEpisode(*service_);
        ASSERT_FALSE(episode_.url.empty());
        ASSERT_GT(episode_.bytes, 100'000) << "a bulletin, streamed rather than read whole";
        player_ = CreateMpvMediaPlayer(options);
    }

    std::unique_ptr<DemoService> service_;
    Episode episode_;
    std::unique_ptr<MediaPlayer> player_;
};

TEST_F(MpvReconnectTest, AStalledDownloadIsReopenedFromWhereItStoppedAndPlaysOn) {
    Start("stall-audio");
    const std::vector<Sample> samples = PlayToTheEnd(*player_, episode_);
    ExpectPlayedThroughWithoutJumps(samples, player_->LengthSeconds() * 1000);
    EXPECT_EQ(player_->State(), MediaPlayer::kStateStopped);
    EXPECT_EQ(ReopenedFrom(*service_, episode_).size(), 1u);
    // A few seconds without data are enough to give up on the connection; the
    // listener hears the bulletin stop for no longer than that.
    EXPECT_LT(LongestStandStill(samples), 10s);
    RecordProperty("standStillMs",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        LongestStandStill(samples))
                                        .count()));
}

TEST_F(MpvReconnectTest, ACutDownloadIsReopenedOnceTheRestartedServiceAnswers) {
    Start("cut-audio-refuse");
    const std::vector<Sample> samples = PlayToTheEnd(*player_, episode_);
    ExpectPlayedThroughWithoutJumps(samples, player_->LengthSeconds() * 1000);
    // Refused for 3 s, tried again after 1 and 3 more: the third reopen gets through.
    EXPECT_EQ(ReopenedFrom(*service_, episode_).size(), 1u);
    EXPECT_LT(LongestStandStill(samples), 10s);
    RecordProperty("standStillMs",
                   static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        LongestStandStill(samples))
                                        .count()));
}

// However the reopening goes, the listener does not wait for ever: past the limit
// the episode counts as played to its end.
TEST_F(MpvReconnectTest, PlaybackThatWaitsForTheNetworkTooLongCountsAsEnded) {
    // A network time-out longer than the test: the stall is never seen as one.
    Start("stall-audio", {.networkTimeout = 60s, .stallLimit = 2s});
    const std::vector<Sample> samples = PlayToTheEnd(*player_, episode_);
    ASSERT_GE(samples.size(), 2u);
    const std::int64_t lengthMs = player_->LengthSeconds() * 1000;
    EXPECT_GE(samples.back().positionMs, lengthMs);
    EXPECT_LT(samples[samples.size() - 2].positionMs, lengthMs * 2 / 3)
        << "gave up in the middle, not at the end";
    EXPECT_EQ(player_->State(), MediaPlayer::kStateStopped);
    EXPECT_TRUE(ReopenedFrom(*service_, episode_).empty());
    const Clock::duration stood = LongestStandStill(samples);
    EXPECT_GE(stood, 1500ms);
    EXPECT_LT(stood, 5s);
}

}  // namespace
}  // namespace cq::platform
