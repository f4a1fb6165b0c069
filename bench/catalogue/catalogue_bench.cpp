// The loading run's cost: assembling the playlist from two episode lists (every
// field read through the script engine), and the whole fetch against the demo
// service on loopback, near and with a distant server's latency.

#include <benchmark/benchmark.h>

#include <string>

#include "catalogue/build_playlist.h"
#include "demo/harness/demo_service.h"

namespace {

cq::Text ListJson(const char* prefix, int episodes) {
    std::string json = R"({"code":"0","data":{"list":[)";
    for (int i = 0; i < episodes; ++i) {
        const std::string date = "12月" + std::to_string(28 - i % 28) + "日";
        json += (i ? "," : "");
        json += R"({"title":")" + date + prefix + R"(今日要闻与天气预报","duration":545,)" +
                R"("img194_194":"http://127.0.0.1:18080/covers/x.png",)" +
                R"("audiolist":[{"filePath":"http://127.0.0.1:18080/audio/x.mp3"}]})";
    }
    return json + "]}}";
}

void BM_AssemblePlaylist(benchmark::State& state) {
    const int episodes = static_cast<int>(state.range(0));
    const cq::Text morning = ListJson("晨鹊早报：", episodes);
    const cq::Text evening = ListJson("晨鹊晚报：", episodes);
    const cq::DateTime now{2026, 12, 28, 20, 0, 0};
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = cq::AssemblePlaylist(morning, evening, now).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_AssemblePlaylist)->Arg(7)->Arg(30)->Unit(benchmark::kMillisecond);

// Three round trips (morning over HTTP, the clock, evening over HTTPS) plus the
// assembly; the argument is the service's added latency per request in ms.
void BM_FetchPlaylistRows(benchmark::State& state) {
    cq::testing::DemoService demo(
        {"--now", "2026-12-11 20:00:00", "--latency", std::to_string(state.range(0))});
    if (!demo.Started()) {
        state.SkipWithError("the demo service did not start");
        return;
    }
    const cq::FmOrigins origins{demo.HttpOrigin(), demo.HttpsOrigin()};
    const std::string timeUrl = demo.HttpOrigin() + "/";
    cq::FetchPlaylistRows(origins, timeUrl);  // the service makes its audio on first use
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = cq::FetchPlaylistRows(origins, timeUrl).size();
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_FetchPlaylistRows)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
