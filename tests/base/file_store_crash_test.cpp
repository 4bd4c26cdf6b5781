#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include <nlohmann/json.hpp>

#include "base/file_store.hpp"
#include "base/stepped_executor.hpp"
#include "support/seed.hpp"
#include "support/temp_folder.hpp"

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TESSARIN_HAS_TSAN 1
#endif
#endif
#ifndef TESSARIN_HAS_TSAN
#define TESSARIN_HAS_TSAN 0
#endif

namespace tessarin {

namespace fs = std::filesystem;

namespace {

std::optional<nlohmann::json> readDocument(const fs::path& path) {
    if (!fs::exists(path)) return std::nullopt;
    auto document = nlohmann::json::parse(test::readText(path), nullptr, false);
    if (document.is_discarded()) return nlohmann::json();  // present but not JSON
    return document;
}

// A layout as the engine stores it, numbered so a reader can tell which save it came from.
nlohmann::json layout(int generation) {
    nlohmann::json columns = nlohmann::json::array();
    for (int i = 0; i < 100; ++i)
        columns.push_back({{"windows", {generation * 1000 + i}}, {"widthFraction", 0.5}});
    return {{"MAIN", {{"columns", columns}, {"generation", generation}}}};
}

}  // namespace

// Off the caller's thread: reads see a change at once; changes behind a queued write go out in
// one write of the newest document.
TEST(FileStoreWrites, QueuedWritesCoalesceAndReadsSeeChangesAtOnce) {
    const test::TempFolder folder;
    SteppedExecutor queues;
    FileStore store(folder.path(), "com.example");
    store.writeOn(queues.queue("settings"));
    store.set("a", 1);
    store.set("a", 2);
    store.set("b", 3);
    EXPECT_EQ(store.object("a"), nlohmann::json(2));
    EXPECT_FALSE(fs::exists(store.path()));
    EXPECT_EQ(queues.pending("settings"), 1u);
    queues.drainAll();
    EXPECT_EQ(readDocument(store.path()), (nlohmann::json{{"a", 2}, {"b", 3}}));
    store.writeOn(nullptr);
    store.set("b", 4);
    EXPECT_EQ(readDocument(store.path())->at("b"), 4);
}

// A process killed at any moment of a save leaves the previous document or the new one.
TEST(FileStoreWrites, KilledMidSaveLeavesTheOldLayoutOrTheNew) {
#if defined(__SANITIZE_THREAD__) || TESSARIN_HAS_TSAN
    // ThreadSanitizer does not follow a forked child of a threaded process; the other builds
    // run this.
    GTEST_SKIP();
#endif
    const test::TempFolder folder;
    const fs::path path = folder.path() / "com.example.json";
    std::mt19937_64 random(test::seed("FileStoreWrites.KilledMidSave"));
    int last = -1;
    for (int round = 0; round < 200; ++round) {
        // The child says when its store is open, so the kill lands among its saves whatever
        // the build's speed (a sanitizer build starts slowly).
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            FileStore store(folder.path(), "com.example");
            const char go = 1;
            if (::write(ready[1], &go, 1) != 1) ::_exit(1);
            for (int generation = last + 1;; ++generation)
                store.set("savedStrips", layout(generation));
        }
        ::close(ready[1]);
        char go = 0;
        ASSERT_EQ(::read(ready[0], &go, 1), 1);
        ::close(ready[0]);
        ::usleep(static_cast<useconds_t>(random() % 20000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const auto document = readDocument(path);
        if (!document) continue;  // killed before its first write
        ASSERT_TRUE(document->is_object()) << "round " << round << ": a partial file";
        const nlohmann::json& saved = document->at("savedStrips");
        const int generation = saved.at("MAIN").at("generation");
        ASSERT_GE(generation, last) << "round " << round << ": an older layout came back";
        ASSERT_EQ(saved, layout(generation)) << "round " << round;
        last = generation;
    }
    EXPECT_GT(last, 0) << "no save ever finished";
}

}  // namespace tessarin
