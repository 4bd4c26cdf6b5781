#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/file_store.hpp"
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

    json fileContent() const { return json::parse(readText(file)); }
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path() != file) names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(FileStoreTest, EveryChangeIsWrittenUnderItsKey) {
    FileStore store(folder, "com.tessarin");
    EXPECT_EQ(store.path(), file);
    EXPECT_FALSE(fs::exists(file));  // nothing written before the first change

    store.set("gap", 12.5);
    EXPECT_EQ(fileContent(), (json{{"gap", 12.5}}));
    store.set("animate", false);
    store.set("gestureFingers", 4);
    store.set("centerMode", "always");
    store.set("floatingApps", json::array({"com.example.a", "org.example.b"}));
    store.set("bindings", R"({"focusLeft":[]})");
    EXPECT_EQ(fileContent(), (json{{"gap", 12.5},
                                   {"animate", false},
                                   {"gestureFingers", 4},
                                   {"centerMode", "always"},
                                   {"floatingApps", {"com.example.a", "org.example.b"}},
                                   {"bindings", R"({"focusLeft":[]})"}}));
    store.remove("gap");
    EXPECT_FALSE(fileContent().contains("gap"));
    EXPECT_TRUE(leftovers().empty()) << "temporary files left behind";

    FileStore reread(folder, "com.tessarin");
    EXPECT_FALSE(reread.hasStoredValue("gap"));
    EXPECT_FALSE(reread.boolean("animate"));
    EXPECT_TRUE(reread.hasStoredValue("animate"));
    EXPECT_EQ(reread.integer("gestureFingers"), 4);
    EXPECT_EQ(reread.string("centerMode"), "always");
    EXPECT_EQ(reread.stringArray("floatingApps"),
              (std::vector<std::string>{"com.example.a", "org.example.b"}));
    EXPECT_EQ(reread.string("bindings"), R"({"focusLeft":[]})");
    // Another domain is read from its own file.
    writeText(folder / "app.other.json", R"({"gap": 7})");
    EXPECT_EQ(FileStore(folder, "app.other", FileStore::Access::readOnly).integer("gap"), 7);
}

TEST_F(FileStoreTest, DefaultsAreReadButNeverWritten) {
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

TEST_F(FileStoreTest, ValuesThatCannotBeWrittenAreIgnored) {
    FileStore store(folder, "com.tessarin");
    store.set("gap", 4.0);
    store.set("gap", std::numeric_limits<double>::quiet_NaN());
    store.set("gap", json::array({1.0, std::numeric_limits<double>::infinity()}));
    EXPECT_EQ(store.number("gap"), 4.0);
    EXPECT_EQ(fileContent(), (json{{"gap", 4.0}}));
}

TEST_F(FileStoreTest, InvalidTextInStringsIsWrittenWithoutFailing) {
    FileStore store(folder, "com.tessarin");
    store.set("floatingApps", json::array({"ok", std::string("bad\xff\xfe")}));
    auto content = fileContent();
    ASSERT_TRUE(content["floatingApps"].is_array());
    EXPECT_EQ(content["floatingApps"][0], "ok");
    EXPECT_EQ(content["floatingApps"].size(), 2u);
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

TEST_F(FileStoreTest, ManyKeysAndLargeValuesRoundTrip) {
    {
        FileStore store(folder, "com.tessarin");
        std::string big(1 << 20, 'x');
        store.set("big", big);
        json list = json::array();
        for (int i = 0; i < 20000; ++i)
            list.push_back(i * 0.5);
        store.set("list", list);
    }
    FileStore reread(folder, "com.tessarin");
    EXPECT_EQ(reread.string("big").size(), std::size_t{1} << 20);
    EXPECT_EQ(reread.object("list")->size(), 20000u);
    EXPECT_EQ((*reread.object("list"))[19999], 9999.5);
}

}  // namespace
}  // namespace tessarin
