#include "base/log.hpp"

#include <gtest/gtest.h>

#include <ctime>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/log_file.hpp"
#include "base/log_stamp.hpp"
#include "base/stepped_executor.hpp"
#include "support/temp_folder.hpp"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using TimePoint = std::chrono::system_clock::time_point;

// A wall-clock time given in local time, so that the expected stamp does not depend on the
// machine's time zone. Mid-January afternoon: no daylight-saving change anywhere.
TimePoint localTime(int hour, int minute, int second, int millis) {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mday = 15;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local)) +
           std::chrono::milliseconds(millis);
}

std::string stamp(TimePoint time) {
    std::string out(LogStamp::kLength, '?');
    LogStamp::write(time, out.data());
    return out;
}

TEST(LogStamp, HoursMinutesSecondsAndMilliseconds) {
    EXPECT_EQ(stamp(localTime(13, 4, 5, 678)), "13:04:05.678");
    EXPECT_EQ(stamp(localTime(0, 0, 0, 0)), "00:00:00.000");
    EXPECT_EQ(stamp(localTime(23, 59, 59, 999)), "23:59:59.999");
    EXPECT_EQ(stamp(localTime(9, 30, 7, 5)), "09:30:07.005");
    // The per-second cache must follow the second and the hour, not just the milliseconds.
    EXPECT_EQ(stamp(localTime(9, 30, 8, 5)), "09:30:08.005");
    EXPECT_EQ(stamp(localTime(10, 30, 8, 5)), "10:30:08.005");
}

struct LogTest : ::testing::Test {
    SteppedExecutor executor;
    test::TempFolder temp;
    fs::path root = temp.path();
    fs::path folder = root / "state" / "Tessarin";
    TimePoint time = localTime(13, 4, 5, 678);

    LogTest() { point(folder); }
    ~LogTest() override {
        Log::configure(Log::Options{std::nullopt, executor.queue("discarded"), false, {}});
    }

    void point(std::optional<fs::path> where, bool systemLog = false) {
        Log::configure(Log::Options{std::move(where), executor.queue(Log::kQueueLabel), systemLog,
                                    [this] { return time; }});
    }

    std::size_t drain() { return executor.drain(Log::kQueueLabel); }
    fs::path file() const { return folder / LogFile::kName; }
    fs::path old() const { return folder / LogFile::kOldName; }
};

TEST_F(LogTest, TheCallerHandsOverLinesStampedAtTheCallAndTheWriterCreatesTheFile) {
    Log::info("two\nlines");
    EXPECT_FALSE(fs::exists(root / "state"));  // no file work on the caller
    EXPECT_EQ(executor.pending(Log::kQueueLabel), 1u);
    time = localTime(13, 4, 6, 1);
    Log::info("");
    point(folder, true);  // the system logger leaves the file unchanged
    Log::info("window 4294967295 ? \xe2\x80\x9c\xc3\xa9t\xc3\xa9\xe2\x80\x9d");
    EXPECT_EQ(drain(), 3u);
    EXPECT_EQ(test::readText(file()),
              "13:04:05.678 two\nlines\n"
              "13:04:06.001 \n"
              "13:04:06.001 window 4294967295 ? \xe2\x80\x9c\xc3\xa9t\xc3\xa9\xe2\x80\x9d\n");
}

// A file at the limit is kept; the line that crosses it stays, and the next one rotates,
// replacing the old copy.
TEST_F(LogTest, TheLineThatCrossesTheLimitStaysAndTheNextOneRotates) {
    fs::create_directories(folder);
    test::writeText(file(), std::string(LogFile::kRotationSize - 50, 'x'));
    test::writeText(old(), std::string(10, 'o'));
    const std::string line(36, 'm');  // with stamp, space and line feed: 50 bytes
    for (std::uintmax_t size : {LogFile::kRotationSize, LogFile::kRotationSize + 50}) {
        Log::info(line);
        drain();
        EXPECT_EQ(fs::file_size(file()), size);
        EXPECT_EQ(fs::file_size(old()), 10u);
    }
    Log::info("next");
    drain();
    EXPECT_EQ(fs::file_size(old()), 2'000'050u);
    EXPECT_EQ(test::readText(file()), "13:04:05.678 next\n");
}

// Lines go where the log pointed when they were handed over; no folder, a removed one or an
// unwritable one fails silently.
TEST_F(LogTest, LinesGoWhereTheLogPointedAndAMissingFolderFailsSilently) {
    EXPECT_EQ(Log::folder(), std::optional<fs::path>(folder));  // made when asked for
    EXPECT_TRUE(fs::is_directory(folder));
    Log::info("to first");
    fs::path second = root / "second";
    point(second);
    Log::info("to second");
    drain();
    EXPECT_EQ(test::readText(file()), "13:04:05.678 to first\n");
    EXPECT_EQ(test::readText(second / LogFile::kName), "13:04:05.678 to second\n");

    fs::remove_all(second);
    fs::remove_all(root / "state");
    Log::info("after");
    drain();
    EXPECT_FALSE(fs::exists(second));  // a removed folder is not made again

    point(std::nullopt);
    Log::info("nowhere");
    EXPECT_EQ(drain(), 1u);
    EXPECT_EQ(Log::folder(), std::nullopt);
    EXPECT_FALSE(fs::exists(root / "state"));

    // A regular file where a parent folder should be: nothing can be created below it.
    point(folder);
    test::writeText(root / "state", "f");
    Log::info("lost");
    EXPECT_EQ(drain(), 1u);
    EXPECT_TRUE(fs::is_regular_file(root / "state"));
    EXPECT_EQ(Log::folder(), std::optional<fs::path>(folder));
}

TEST_F(LogTest, LinesFromEachThreadKeepTheirOrderOnARealQueue) {
    Log::configure(Log::Options{folder, nullptr, false, {}});
    constexpr int kThreads = 4;
    constexpr int kLines = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                Log::info(std::to_string(t).append(" ").append(std::to_string(i)));
        });
    }
    for (auto& thread : threads)
        thread.join();
    ASSERT_TRUE(Log::flush(30));
    // Each line is a stamp, the thread and the line's number in that thread.
    std::vector<int> next(kThreads, 0);
    std::istringstream lines(test::readText(file()));
    std::string stamp;
    int t = 0;
    int i = 0;
    while (lines >> stamp >> t >> i) {
        ASSERT_TRUE(t >= 0 && t < kThreads) << stamp;
        EXPECT_EQ(i, next[t]++) << "thread " << t;
    }
    EXPECT_EQ(next, std::vector<int>(kThreads, kLines));
}

// An observer that logs must not wait on itself. Run on a thread of its own so that a
// deadlock fails the test (after a generous safety time-out) instead of hanging the suite.
TEST_F(LogTest, AnObserverThatLogsDoesNotDeadlock) {
    std::vector<std::string> seen;
    Log::setObserver([&](std::string_view line) {
        seen.emplace_back(line);
        if (line == "outer") Log::info("from the observer");
    });
    auto done = std::async(std::launch::async, [] { Log::info("outer"); });
    const bool finished = done.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    if (!finished) {
        // Leaves the blocked thread behind on purpose; the process ends with the test run.
        new auto(std::move(done));
        FAIL() << "Log::info deadlocked inside its observer";
    }
    Log::setObserver({});
    EXPECT_EQ(seen, std::vector<std::string>{"outer"});
    drain();
    EXPECT_NE(test::readText(file()).find(" from the observer\n"), std::string::npos);
}

}  // namespace
}  // namespace tessarin
