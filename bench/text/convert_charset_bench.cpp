// ConvertCharset (UTF-8 -> GBK through the text stream) against one bare iconv()
// call on the same 1 MiB of Chinese text. Prints the ratio at the end.

#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdio>
#include <map>
#include <string>

#include "text/convert_charset.h"

namespace {

const cq::Bytes& ChineseText() {
    static const cq::Bytes text = [] {
        // A news headline, repeated to 1 MiB: mostly three-byte UTF-8 characters.
        const std::string line =
            "\x31\x32\xE6\x9C\x88\x31\x31\xE6\x97\xA5\xE6\x99\xA8\xE9\xB9\x8A\xE6\x97\xA9"
            "\xE6\x8A\xA5\xEF\xBC\x9A\xE4\xBB\x8A\xE6\x97\xA5\xE8\xA6\x81\xE9\x97\xBB\xE4"
            "\xB8\x8E\xE5\xA4\xA9\xE6\xB0\x94\xE9\xA2\x84\xE6\x8A\xA5\n";
        std::string all;
        while (all.size() + line.size() <= (1u << 20)) {
            all += line;
        }
        return cq::Bytes(all.begin(), all.end());
    }();
    return text;
}

void BM_ConvertCharset(benchmark::State& state) {
    const cq::Bytes& input = ChineseText();
    for (auto _ : state) {
        cq::Bytes out = cq::ConvertCharset(input);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

void BM_BareIconv(benchmark::State& state) {
    const cq::Bytes& input = ChineseText();
    std::string out(input.size() * 2, '\0');
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    for (auto _ : state) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(reinterpret_cast<const char*>(input.data()));
        size_t srcLeft = input.size();
        char* dst = out.data();
        size_t dstLeft = out.size();
        iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        benchmark::DoNotOptimize(dst);
    }
    iconv_close(cd);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

BENCHMARK(BM_BareIconv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertCharset)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            perIteration_[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Print() const {
        const auto bare = perIteration_.find("BM_BareIconv");
        const auto ours = perIteration_.find("BM_ConvertCharset");
        if (bare != perIteration_.end() && ours != perIteration_.end() && bare->second > 0) {
            std::printf("ConvertCharset / bare iconv: %.2fx (goal: at most 2x)\n",
                        ours->second / bare->second);
        }
    }

private:
    std::map<std::string, double> perIteration_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.Print();
    benchmark::Shutdown();
    return 0;
}
