#pragma once

// Runs the registered benchmarks and hands their times to a printer, so a benchmark
// can set our code side by side with the bare library call and print the ratio.

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace cq::bench {

class Timings {
public:
    // Real time per iteration, in the benchmark's own unit, of the first run whose
    // name starts with prefix ("BM_Read/20"); 0 when there is none.
    double Of(std::string_view prefix) const {
        for (const auto& [name, time] : perIteration_) {
            if (std::string_view(name).starts_with(prefix)) {
                return time;
            }
        }
        return 0;
    }

private:
    friend class TimingReporter;
    std::map<std::string, double> perIteration_;
};

class TimingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With repetitions only the median stands for a benchmark.
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            if (!run.error_occurred && (!aggregate || run.aggregate_name == "median")) {
                std::string name = run.run_name.function_name;
                if (!run.run_name.args.empty()) {
                    name += "/" + run.run_name.args;
                }
                timings_.perIteration_[name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    const Timings& timings() const { return timings_; }

private:
    Timings timings_;
};

inline int RunSideBySide(int argc, char** argv, const std::function<void(const Timings&)>& print) {
    benchmark::Initialize(&argc, argv);
    TimingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    print(reporter.timings());
    benchmark::Shutdown();
    return 0;
}

}  // namespace cq::bench
