// Reading an episode list the way the loading worker does (construct, Parse,
// GetCount, four GetText per episode), next to a native JSON library doing the same
// lookups on the same list. The native read gets the UTF-8 body as it came off the
// wire and converts the four texts it takes to GBK; the document gets the body in
// GBK, as the worker hands it over. Prints the ratio per list size at the end.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "json/json_document.h"
#include "text/encoding.h"

namespace {

struct Episode {
    cq::Text title, link, picture, duration;
    bool operator==(const Episode&) const = default;
};

// An episode list shaped like the service's, with the fields the worker ignores too.
std::string CatalogueUtf8(int episodes) {
    std::string text = R"({"code":0,"msg":"success","data":{"total":)" + std::to_string(episodes) +
                       R"(,"pageNum":1,"list":[)";
    for (int i = 0; i < episodes; ++i) {
        const std::string n = std::to_string(i);
        const int day = 28 - i % 28;
        if (i > 0) {
            text += ",";
        }
        text += R"({"id":)" + std::to_string(700000 + i) + R"(,"title":")" +
                cq::Utf8FromGbk(std::to_string(12 - i / 28 % 12) + "月" + std::to_string(day) +
                                "日晨鹊早报：今日要闻与天气（第" + n + "期）") +
                R"(","subTitle":")" + cq::Utf8FromGbk("每日新闻早知道") + R"(","duration":)" +
                std::to_string(540 + i % 120) + R"(,"img194_194":"http://127.0.0.1:8080/cover/)" +
                n + R"(.jpg","audiolist":[{"filePath":"http://127.0.0.1:8080/audio/)" + n +
                R"(.mp3","size":4718592,"bitRate":64}],"isFree":1,"playCount":)" +
                std::to_string(1000 + i * 37) + "}";
    }
    text += "]}}";
    return text;
}

std::vector<Episode> ReadWithDocument(const cq::Text& gbk) {
    cq::JsonDocument doc;
    doc.Parse(gbk);
    const int count = doc.GetCount("data.list");
    std::vector<Episode> episodes;
    episodes.reserve(count);
    for (int i = 0; i < count; ++i) {
        const std::string at = "data.list[" + std::to_string(i) + "]";
        episodes.push_back({doc.GetText(at + ".title"), doc.GetText(at + ".audiolist[0].filePath"),
                            doc.GetText(at + "['img194_194']"), doc.GetText(at + ".duration")});
    }
    return episodes;
}

cq::Text NativeText(const nlohmann::json& value) {
    if (value.is_string()) {
        return cq::GbkFromUtf8(value.get_ref<const std::string&>());
    }
    if (value.is_number_integer()) {
        return std::to_string(value.get<long long>());
    }
    return {};
}

std::vector<Episode> ReadNatively(const std::string& utf8) {
    const nlohmann::json doc = nlohmann::json::parse(utf8, nullptr, false);
    std::vector<Episode> episodes;
    if (doc.is_discarded()) {
        return episodes;
    }
    const nlohmann::json& list = doc["data"]["list"];
    episodes.reserve(list.size());
    for (const nlohmann::json& item : list) {
        episodes.push_back({NativeText(item["title"]), NativeText(item["audiolist"][0]["filePath"]),
                            NativeText(item["img194_194"]), NativeText(item["duration"])});
    }
    return episodes;
}

struct Inputs {
    std::string utf8;
    cq::Text gbk;
};

const Inputs& CatalogueOf(int episodes) {
    static std::map<int, Inputs> made;
    auto found = made.find(episodes);
    if (found == made.end()) {
        std::string utf8 = CatalogueUtf8(episodes);
        cq::Text gbk = cq::GbkFromUtf8(utf8);
        found = made.emplace(episodes, Inputs{std::move(utf8), std::move(gbk)}).first;
    }
    return found->second;
}

bool SameResults(const Inputs& in, int episodes) {
    const std::vector<Episode> ours = ReadWithDocument(in.gbk);
    return static_cast<int>(ours.size()) == episodes && ours == ReadNatively(in.utf8);
}

void BM_JsonDocumentRead(benchmark::State& state) {
    const int episodes = static_cast<int>(state.range(0));
    const Inputs& in = CatalogueOf(episodes);
    if (!SameResults(in, episodes)) {
        state.SkipWithError("the two reads disagree");
        return;
    }
    for (auto _ : state) {
        std::vector<Episode> read = ReadWithDocument(in.gbk);
        benchmark::DoNotOptimize(read.data());
    }
}

void BM_NativeRead(benchmark::State& state) {
    const Inputs& in = CatalogueOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<Episode> read = ReadNatively(in.utf8);
        benchmark::DoNotOptimize(read.data());
    }
}

BENCHMARK(BM_JsonDocumentRead)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NativeRead)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With repetitions only the median stands for a size.
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            if (!run.error_occurred && (!aggregate || run.aggregate_name == "median")) {
                perIteration_[run.run_name.function_name + "/" + run.run_name.args] =
                    run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Print() const {
        for (const char* size : {"20", "200"}) {
            const auto ours = perIteration_.find(std::string("BM_JsonDocumentRead/") + size);
            const auto native = perIteration_.find(std::string("BM_NativeRead/") + size);
            if (ours == perIteration_.end() || native == perIteration_.end() ||
                native->second <= 0) {
                continue;
            }
            std::printf("%s episodes: JsonDocument %.3f ms, native %.3f ms, ratio %.1fx%s\n", size,
                        ours->second, native->second, ours->second / native->second,
                        std::string(size) == "20"
                            ? (ours->second < 5.0 ? " (goal under 5 ms: met)"
                                                  : " (goal under 5 ms: MISSED)")
                            : "");
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
