// 1 MiB of short response header lines, the most a response may bring, through
// CollectResponseCookies and SplitText, set beside a plain std::string_view::find
// loop over the same text. Prints the times and the ratios at the end.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "support/side_by_side.h"
#include "text/text_edit.h"
#include "web/header_text.h"
#include "web/merge_cookies.h"

namespace {

constexpr std::size_t kHeaderBytes = std::size_t{1} << 20;

const std::string& HeaderLines() {
    static const std::string text = [] {
        std::string all = "HTTP/1.1 200 OK\r\n";
        for (int i = 0; all.size() < kHeaderBytes - 64; ++i) {
            switch (i % 4) {
                case 0:
                    all += "Set-Cookie: k" + std::to_string(i) + "=v; Path=/\r\n";
                    break;
                case 1:
                    all += "X-A: 1\r\n";
                    break;
                case 2:
                    // A value that ends in a high byte, as UTF-8 text cut short does.
                    all += "X-T: \xE4\xB8\r\n";
                    break;
                default:
                    all += "Vary: *\r\n";
                    break;
            }
        }
        return all + "\r\n";
    }();
    return text;
}

void BM_PlainFind(benchmark::State& state) {
    const std::string_view text = HeaderLines();
    for (auto _ : state) {
        std::size_t lines = 0;
        for (std::size_t at = text.find("\r\n"); at != std::string_view::npos;
             at = text.find("\r\n", at + 2)) {
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_SplitText(benchmark::State& state) {
    const std::string& text = HeaderLines();
    for (auto _ : state) {
        auto lines = cq::SplitText(text, "\r\n");
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_CollectResponseCookies(benchmark::State& state) {
    const std::string& text = HeaderLines();
    for (auto _ : state) {
        cq::Text cookies = cq::CollectResponseCookies(text);
        benchmark::DoNotOptimize(cookies.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Every cookie of those lines merged with a thousand sent ones, as a request that
// supplies cookies does with its response.
void BM_MergeCookies(benchmark::State& state) {
    const cq::Text received = cq::CollectResponseCookies(HeaderLines());
    cq::Text sent;
    for (int i = 0; i < 1000; ++i) {
        sent += (i ? "; s" : "s") + std::to_string(i) + "=1";
    }
    for (auto _ : state) {
        cq::Text sentCopy = sent;
        cq::Text receivedCopy = received;
        cq::Text merged = cq::MergeCookies(&sentCopy, &receivedCopy);
        benchmark::DoNotOptimize(merged.data());
    }
}

BENCHMARK(BM_PlainFind)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CollectResponseCookies)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeCookies)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return cq::bench::RunSideBySide(argc, argv, [](const cq::bench::Timings& timings) {
        const double plain = timings.Of("BM_PlainFind");
        if (plain <= 0) {
            return;
        }
        for (const char* name : {"BM_SplitText", "BM_CollectResponseCookies"}) {
            const double ours = timings.Of(name);
            if (ours > 0) {
                std::printf(
                    "%s over 1 MiB of header lines: %.2f ms (goal: under 20 ms), "
                    "%.1fx a plain find loop\n",
                    name + 3, ours, ours / plain);
            }
        }
    });
}
