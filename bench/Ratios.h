#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Runs the registered benchmarks, then prints each named pair's ratio of
// time per iteration, both measured in this same run.
namespace benchratio {

class Collector final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With --benchmark_repetitions the median stands for the benchmark.
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            const bool single = r.run_type == Run::RT_Iteration && medians_.count(r.run_name.str()) == 0;
            if (median || single) times[r.run_name.str()] = r.GetAdjustedRealTime();
            if (r.run_type == Run::RT_Aggregate) medians_.insert(r.run_name.str());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;

private:
    std::set<std::string> medians_;
};

struct Pair {
    std::string label, ours, baseline;
    double target;
    bool atMost;  // ours/baseline must be at most `target`; otherwise at least
};

inline int run(int argc, char** argv, const std::vector<Pair>& pairs) {
    benchmark::Initialize(&argc, argv);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    std::printf("\n%-44s %10s %10s\n", "ratio (ours / baseline, time per iteration)", "ratio", "target");
    for (const Pair& p : pairs) {
        auto a = collector.times.find(p.ours);
        auto b = collector.times.find(p.baseline);
        if (a == collector.times.end() || b == collector.times.end() || b->second == 0) continue;
        const double ratio = a->second / b->second;
        std::printf("%-44s %10.3f %7s%.2f\n", p.label.c_str(), ratio, p.atMost ? "<= " : ">= ", p.target);
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace benchratio
