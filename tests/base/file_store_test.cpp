#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <limits>

#include "base/file_store.hpp"
#include "base/log.hpp"
#include "support/temp_folder.hpp"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::readText;
using test::writeText;

class FileStoreTest : public ::testing::Test {
  protected:
    test::TempFolder temp;
    fs::path folder = temp.path() / "tessarin";
    fs::path file = folder / "com.tessarin.json";
    fs::path aside1 = folder / "com.tessarin.json.corrupt-1";
    fs::path aside2 = folder / "com.tessarin.json.corrupt-2";

    json fileContent() const { return json::parse(readText(file)); }
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path() != file) names.push_back(entry.path().filename().string());
        return names;
    }
};

// Reading each kind back is also checked through the preferences' round trip.
TEST_F(FileStoreTest, EveryChangeIsWrittenUnderItsKey) {
    FileStore store(folder, "com.tessarin");
    EXPECT_EQ(store.path(), file);
    EXPECT_FALSE(fs::exists(file));  // nothing written before the first change
    const json apps = json::array({"com.example.a", "org.example.b"});
    store.set("gap", 12.5);
    store.set("floatingApps", apps);
    EXPECT_EQ(fileContent(), (json{{"gap", 12.5}, {"floatingApps", apps}}));
    EXPECT_TRUE(leftovers().empty()) << "temporary files left behind";
    EXPECT_TRUE(FileStore(folder, "com.tessarin").hasStoredValue("floatingApps"));
    // Another domain is read from its own file.
    writeText(folder / "app.other.json", R"({"gap": 7})");
    EXPECT_EQ(FileStore(folder, "app.other", FileStore::Access::readOnly).integer("gap"), 7);
}

TEST_F(FileStoreTest, DefaultsAreReadButNeverWrittenNorAreValuesThatCannotBe) {
    FileStore store(folder, "com.tessarin");
    store.registerDefaults({{"gap", 10.0}, {"animate", true}});
    EXPECT_EQ(store.number("gap"), 10.0);
    EXPECT_FALSE(store.hasStoredValue("gap"));
    store.set("animate", false);
    EXPECT_EQ(fileContent(), (json{{"animate", false}}));
    store.remove("animate");
    EXPECT_TRUE(store.boolean("animate"));
    EXPECT_EQ(fileContent(), json::object());
    // Setting nothing is removing.
    store.set("gap", 3.0);
    store.set("gap", nullptr);
    EXPECT_EQ(store.number("gap"), 10.0);
    EXPECT_EQ(fileContent(), json::object());

    store.set("gap", 4.0);
    store.set("gap", std::numeric_limits<double>::quiet_NaN());
    store.set("gap", json::array({1.0, std::numeric_limits<double>::infinity()}));
    EXPECT_EQ(store.number("gap"), 4.0);
    EXPECT_EQ(fileContent(), (json{{"gap", 4.0}}));
    // Invalid text in strings is written without failing.
    store.set("floatingApps", json::array({"ok", std::string("bad\xff\xfe")}));
    auto content = fileContent();
    ASSERT_TRUE(content["floatingApps"].is_array());
    EXPECT_EQ(content["floatingApps"][0], "ok");
    EXPECT_EQ(content["floatingApps"].size(), 2u);
}

TEST_F(FileStoreTest, HandEditedValuesOfTheWrongKindReadAsNothing) {
    fs::create_directories(folder);
    writeText(file, R"({
        "gap": "wide", "animate": "yes", "fingers": [3], "speed": 1e308,
        "huge": 18446744073709551616, "negative": -7, "flag": 2,
        "names": ["a", 1], "title": 5, "cleared": null
    })");
    FileStore store(folder, "com.tessarin");
    store.registerDefaults({{"cleared", 8}});
    EXPECT_EQ(store.number("gap"), 0.0);
    EXPECT_FALSE(store.boolean("animate"));
    EXPECT_EQ(store.integer("fingers"), 0);
    EXPECT_EQ(store.number("speed"), 1e308);
    EXPECT_EQ(store.integer("speed"), 0);  // no integer that large
    EXPECT_EQ(store.integer("huge"), 0);
    EXPECT_EQ(store.integer("negative"), -7);
    EXPECT_TRUE(store.boolean("flag"));
    EXPECT_TRUE(store.stringArray("names").empty());
    EXPECT_EQ(store.string("title"), "");
    // A null is no stored value: the default shows through.
    EXPECT_FALSE(store.hasStoredValue("cleared"));
    EXPECT_EQ(store.integer("cleared"), 8);
}

TEST_F(FileStoreTest, WritesThroughALinkedFileWithoutReplacingTheLink) {
    fs::create_directories(folder);
    fs::path real = temp.path() / "dotfiles" / "com.tessarin.json";
    fs::create_directories(real.parent_path());
    writeText(real, R"({"gap": 1})");
    fs::create_symlink(real, file);
    FileStore store(folder, "com.tessarin");
    EXPECT_EQ(store.integer("gap"), 1);
    store.set("gap", 2);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(json::parse(readText(real)), (json{{"gap", 2}}));
}

TEST_F(FileStoreTest, InterruptedWriteLeavesTheOldDocument) {
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

TEST_F(FileStoreTest, AWriteKeepsTheFilesModeAndAFailedReplaceIsLoggedWithoutLeftovers) {
    FileStore store(folder, "com.tessarin");
    store.set("gap", 1.0);
    const fs::perms private_ = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(file, private_);
    store.set("gap", 2.0);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, private_);

    // A folder where the document belongs cannot be replaced by a file.
    fs::remove(file);
    fs::create_directory(file);
    std::vector<std::string> lines;
    Log::setObserver([&](std::string_view line) { lines.emplace_back(line); });
    store.set("gap", 3.0);
    Log::setObserver(nullptr);
    EXPECT_TRUE(leftovers().empty());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("replacing the file failed"), std::string::npos) << lines[0];
}

TEST_F(FileStoreTest, UnreadableDocumentsAreMovedAsideAndTheStoreStartsFromDefaults) {
    fs::create_directories(folder);
    const std::string documents[] = {
        R"({"gap": 12, "animate": fal)",  // truncated
        "[1, 2, 3]",                      // not an object
        "",
        std::string("\x00\x01\xff garbage", 11),
        R"({"gap": 1e999})",  // beyond any double
        std::string(100000, '[') + std::string(100000, ']'),
        R"({"a": )" + std::string(5000, '{') + std::string(5000, '}') + "}",
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
    // An oversized file is moved aside unread.
    writeText(file, "{}");
    ASSERT_EQ(::truncate(file.c_str(), (64 << 20) + 1), 0);  // sparse: no disk used
    { FileStore store(folder, "com.tessarin"); }
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(fs::file_size(aside1), std::uintmax_t{(64 << 20) + 1});
}

TEST_F(FileStoreTest, MovingAsideIsLoggedAndEarlierCopiesAreKept) {
    fs::create_directories(folder);
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

    // A read-only store leaves a damaged file where it is.
    writeText(file, "{nope");
    FileStore store(folder, "com.tessarin", FileStore::Access::readOnly);
    store.registerDefaults({{"gap", 10.0}});
    EXPECT_EQ(store.number("gap"), 10.0);
    store.set("gap", 1.0);  // kept in memory only
    EXPECT_EQ(store.number("gap"), 1.0);
    EXPECT_FALSE(store.writable());
    EXPECT_EQ(readText(file), "{nope");
    EXPECT_FALSE(fs::exists(folder / "com.tessarin.json.corrupt-3"));
}

}  // namespace
}  // namespace tessarin
