// DockingPlan::resolve against the plain greedy matcher on the same arrangements, with the ratio
// of their times printed after the runs.

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>

#include <benchmark/benchmark.h>

#include "../tests/support/docking_reference.hpp"
#include "core/docking_plan.hpp"

namespace tessarin {
namespace {

struct Workload {
    SavedArrangement arrangement;
    std::vector<LiveWindow> live;
    std::set<std::string> displays;
};

// Three displays of stacks one to three high. Of the saved windows, 70% are still open under
// their number, 15% reopened with the same title, 10% reopened under another title and 5% are
// gone; a tenth as many unrelated windows are open too, and the live list is shuffled.
Workload makeWorkload(std::size_t count) {
    std::mt19937 random(static_cast<std::mt19937::result_type>(count));
    Workload workload;
    const std::size_t apps = std::max<std::size_t>(3, count / 10);
    std::size_t made = 0;
    while (made < count) {
        std::string display = "DISPLAY-" + std::to_string(random() % 3);
        workload.displays.insert(display);
        SavedColumn column;
        column.widthFraction = 0.5;
        std::size_t rows = std::min<std::size_t>(1 + random() % 3, count - made);
        for (std::size_t r = 0; r < rows; ++r, ++made) {
            auto id = static_cast<WindowID>(1000 + made);
            std::string bundle = "com.example.app" + std::to_string(made % apps);
            std::string title = "Document " + std::to_string(made);
            column.windows.push_back({id, bundle, title});
            column.heightWeights.push_back(1.0);
            auto reopened = static_cast<WindowID>(1000000 + made);
            switch (auto roll = random() % 100; roll < 70 ? 0 : roll < 85 ? 1 : roll < 95 ? 2 : 3) {
                case 0:
                    workload.live.push_back({id, bundle, title});
                    break;
                case 1:
                    workload.live.push_back({reopened, bundle, title});
                    break;
                case 2:
                    workload.live.push_back({reopened, bundle, "Untitled"});
                    break;
                default:
                    break;
            }
        }
        workload.arrangement.displays[display].push_back(std::move(column));
    }
    for (std::size_t extra = 0; extra < count / 10; ++extra) {
        workload.live.push_back({static_cast<WindowID>(2000000 + extra),
                                 "org.example.other" + std::to_string(extra % 7), "Window"});
    }
    std::shuffle(workload.live.begin(), workload.live.end(), random);
    return workload;
}

template <auto Resolve>
void run(benchmark::State& state) {
    Workload workload = makeWorkload(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        auto result = Resolve(workload.arrangement, workload.live, workload.displays);
        benchmark::DoNotOptimize(result);
    }
}

void BM_Resolve(benchmark::State& state) {
    run<&DockingPlan::resolve>(state);
}
void BM_Reference(benchmark::State& state) {
    run<&test::referenceResolve>(state);
}

BENCHMARK(BM_Resolve)->Arg(10)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Reference)->Arg(10)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);

// Keeps each run's real and CPU time per iteration so the ratio can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& reports) override {
        for (const auto& run : reports) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            times_[run.run_name.args][run.run_name.function_name] = {run.GetAdjustedRealTime(),
                                                                     run.GetAdjustedCPUTime()};
        }
        ConsoleReporter::ReportRuns(reports);
    }

    void printRatios() const {
        for (const auto& [windows, byName] : times_) {
            auto fast = byName.find("BM_Resolve");
            auto plain = byName.find("BM_Reference");
            if (fast == byName.end() || plain == byName.end()) continue;
            // CPU time too: on a shared machine the wall-clock figures carry the other load.
            std::printf("%s saved windows: reference / resolve = %.1fx real, %.1fx cpu\n",
                        windows.c_str(), plain->second.first / fast->second.first,
                        plain->second.second / fast->second.second);
        }
    }

  private:
    std::map<std::string, std::map<std::string, std::pair<double, double>>> times_;
};

}  // namespace
}  // namespace tessarin

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    tessarin::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
