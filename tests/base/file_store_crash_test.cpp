#include <gtest/gtest.h>
#include <unistd.h>

#include "base/file_store.hpp"
#include "base/log.hpp"
#include "support/temp_folder.hpp"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::readText;
using test::writeText;

class FileStoreDamage : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(folder); }

    test::TempFolder temp;
    fs::path folder = temp.path();
    fs::path file = folder / "com.tessarin.json";
    fs::path aside1 = folder / "com.tessarin.json.corrupt-1";
    fs::path aside2 = folder / "com.tessarin.json.corrupt-2";
};

TEST_F(FileStoreDamage, InterruptedWriteLeavesTheOldDocument) {
    {
        FileStore store(folder, "com.tessarin");
        store.set("gap", 10.0);
        store.set("animate", true);
    }
    const std::string before = readText(file);

    FileStore store(folder, "com.tessarin");
    fs::path temporary;
    store.setBeforeReplace([&](const fs::path& t) {
        temporary = t;
        return false;  // the process dies here
    });
    store.set("gap", 99.0);

    // The new document was complete on disk, beside the old one, which is untouched.
    ASSERT_FALSE(temporary.empty());
    EXPECT_EQ(temporary.parent_path(), folder);
    EXPECT_EQ(json::parse(readText(temporary))["gap"], 99.0);
    EXPECT_EQ(readText(file), before);

    FileStore afterRestart(folder, "com.tessarin");
    EXPECT_FALSE(fs::exists(temporary));  // the torn write is cleared away
    EXPECT_EQ(afterRestart.number("gap"), 10.0);
    EXPECT_TRUE(afterRestart.boolean("animate"));
    // Later writes still go through.
    afterRestart.set("gap", 11.0);
    EXPECT_EQ(json::parse(readText(file))["gap"], 11.0);
}

TEST_F(FileStoreDamage, UnreadableDocumentsAreMovedAsideAndTheStoreStartsFromDefaults) {
    const std::string documents[] = {
        R"({"gap": 12, "animate": fal)",  // truncated
        "[1, 2, 3]",                      // not an object
        R"("gap")",
        "",
        std::string("\x00\x01\xff garbage", 11),
        R"({"gap": 1e999})",  // beyond any double
        std::string(100000, '[') + std::string(100000, ']'),
        R"({"a": )" + std::string(5000, '{') + std::string(5000, '}') + "}",
        R"({"gap": 12} trailing)",
        std::string("{\"gap\":3}\0{\"animate\":false}", 27),  // the parser stops at a NUL
    };
    for (const auto& text : documents) {
        SCOPED_TRACE(text.substr(0, 40));
        writeText(file, text);
        {
            FileStore store(folder, "com.tessarin");
            store.registerDefaults({{"gap", 10.0}});
            EXPECT_EQ(store.number("gap"), 10.0);
            EXPECT_FALSE(store.hasStoredValue("gap"));
            EXPECT_TRUE(store.writable());
            EXPECT_FALSE(fs::exists(file));
            ASSERT_TRUE(fs::exists(aside1));
            EXPECT_EQ(readText(aside1), text);  // the user's text, byte for byte

            store.set("animate", false);
            EXPECT_EQ(json::parse(readText(file)), (json{{"animate", false}}));
            EXPECT_EQ(readText(aside1), text);
        }
        fs::remove(aside1);
        fs::remove(file);
    }
}

TEST_F(FileStoreDamage, MovingAsideIsLoggedAndEarlierCopiesAreKept) {
    std::vector<std::string> lines;
    Log::setObserver([&](std::string_view line) { lines.emplace_back(line); });
    writeText(file, "{broken");
    { FileStore store(folder, "com.tessarin"); }
    Log::setObserver(nullptr);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(file.string()), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(aside1.string()), std::string::npos) << lines[0];
    writeText(file, "{broken again");
    { FileStore store(folder, "com.tessarin"); }
    EXPECT_EQ(readText(aside1), "{broken");
    EXPECT_EQ(readText(aside2), "{broken again");
}

TEST_F(FileStoreDamage, OversizedFileIsMovedAsideUnread) {
    writeText(file, "{}");
    ASSERT_EQ(::truncate(file.c_str(), (64 << 20) + 1), 0);  // sparse: no disk used
    FileStore store(folder, "com.tessarin");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(fs::file_size(aside1), std::uintmax_t{(64 << 20) + 1});
}

TEST_F(FileStoreDamage, ReadOnlyStoreLeavesADamagedFileWhereItIs) {
    writeText(file, "{nope");
    FileStore store(folder, "com.tessarin", FileStore::Access::readOnly);
    store.registerDefaults({{"gap", 10.0}});
    EXPECT_EQ(store.number("gap"), 10.0);
    store.set("gap", 1.0);  // kept in memory only
    EXPECT_EQ(store.number("gap"), 1.0);
    EXPECT_FALSE(store.writable());
    EXPECT_EQ(readText(file), "{nope");
    EXPECT_FALSE(fs::exists(aside1));
}

}  // namespace
}  // namespace tessarin
