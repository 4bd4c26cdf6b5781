// The caller's cost of Log::info: stamping the line and handing it to the log's queue. The file
// and the system logger are written on the queue's own thread, outside the measured loop's
// caller path; each run waits for the queue afterwards so runs do not pile up on each other.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/log.hpp"
#include "base/stepped_executor.hpp"

namespace {

namespace fs = std::filesystem;

const std::string kMessage =
    "Tiled 4194311 com.example.editor \xe2\x80\x9cnotes.txt \xe2\x80\x94 Editor\xe2\x80\x9d";

fs::path temporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "tessarin-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    return fs::path(pattern) / "Tessarin";
}

void callerCost(benchmark::State& state, bool systemLog) {
    // Threads meet at the start of the measured loop, so one of them sets the log up.
    fs::path folder;
    if (state.thread_index() == 0) {
        folder = temporaryFolder();
        tessarin::Log::configure(tessarin::Log::Options{folder, nullptr, systemLog, {}});
    }
    for (auto _ : state)
        tessarin::Log::info(kMessage);
    if (state.thread_index() == 0) {
        // Let the queue catch up before the next run; this is outside the measured loop.
        tessarin::Log::flush(600);
        std::error_code ignored;
        fs::remove_all(folder.parent_path(), ignored);
    }
}

void BM_LogInfo_SystemLogOff(benchmark::State& state) {
    callerCost(state, false);
}
void BM_LogInfo_SystemLogOn(benchmark::State& state) {
    callerCost(state, true);
}

// The same call with the queue held still: stamping, copying and enqueueing alone, without a
// worker thread competing for the queue's lock.
void BM_LogInfo_QueueHeld(benchmark::State& state) {
    tessarin::SteppedExecutor executor;
    auto queue = executor.queue(tessarin::Log::kQueueLabel);
    tessarin::Log::configure(tessarin::Log::Options{std::nullopt, queue, false, {}});
    std::size_t n = 0;
    for (auto _ : state) {
        tessarin::Log::info(kMessage);
        if (++n % 65536 == 0) {
            state.PauseTiming();
            executor.drain(tessarin::Log::kQueueLabel);
            state.ResumeTiming();
        }
    }
    executor.drain(tessarin::Log::kQueueLabel);
    tessarin::Log::configure(tessarin::Log::Options{std::nullopt, nullptr, false, {}});
}

}  // namespace

BENCHMARK(BM_LogInfo_SystemLogOff)->Iterations(200000)->Repetitions(3);
BENCHMARK(BM_LogInfo_SystemLogOn)->Iterations(200000)->Repetitions(3);
BENCHMARK(BM_LogInfo_QueueHeld);
BENCHMARK(BM_LogInfo_SystemLogOff)->Iterations(50000)->Threads(2);

BENCHMARK_MAIN();
