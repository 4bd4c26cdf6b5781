#include <limits>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/memory_store.hpp"
#include "settings/docking_store.hpp"

namespace tessarin {
namespace {

using nlohmann::json;

SavedArrangement arrangement(WindowID id, std::string title, double savedAt) {
    SavedArrangement result;
    result.displays["UUID-A"] = {
        SavedColumn{{{id, "com.example.app", std::move(title)}}, {1.0}, 0.5, std::nullopt}};
    result.displayNames["UUID-A"] = "Built-in";
    result.savedAt = savedAt;
    return result;
}

TEST(DockingStore, WritesJsonTextUnderItsKeyAndReadsItBack) {
    MemoryStore memory;
    DockingStore store(memory);
    EXPECT_TRUE(store.all().empty());
    std::map<std::string, SavedArrangement> all{{"UUID-A", arrangement(5, "Doc", 100.5)},
                                                {"UUID-A+UUID-B", arrangement(6, "Two", 200)}};
    ASSERT_TRUE(store.write(all));

    auto stored = memory.object("dockingLayouts");
    ASSERT_TRUE(stored && stored->is_string());
    json document = json::parse(stored->get<std::string>());
    EXPECT_EQ(document["UUID-A"]["savedAt"], 100.5);
    EXPECT_EQ(document["UUID-A+UUID-B"]["displays"]["UUID-A"][0]["windows"][0]["id"], 6);
    EXPECT_EQ(document["UUID-A"]["displayNames"]["UUID-A"], "Built-in");

    EXPECT_EQ(store.all(), all);
    EXPECT_EQ(store.get("UUID-A+UUID-B"), all["UUID-A+UUID-B"]);
    EXPECT_FALSE(store.get("UUID-B"));
}

TEST(DockingStore, ReadModifyWriteReplacesAndForgets) {
    MemoryStore memory;
    DockingStore store(memory);
    ASSERT_TRUE(store.write({{"K", arrangement(1, "First", 1)}, {"L", arrangement(2, "L", 1)}}));
    auto all = store.all();
    all["K"] = arrangement(3, "Second", 2);
    all.erase("L");
    ASSERT_TRUE(store.write(all));
    EXPECT_EQ(store.all(), (std::map<std::string, SavedArrangement>{{"K", all["K"]}}));
}

TEST(DockingStore, UnencodableMapLeavesThePreviousCollection) {
    MemoryStore memory;
    DockingStore store(memory);
    std::map<std::string, SavedArrangement> good{{"K", arrangement(1, "Doc", 1)}};
    ASSERT_TRUE(store.write(good));
    auto bad = good;
    bad["L"] = arrangement(2, "Doc", std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(store.write(bad));
    EXPECT_EQ(store.all(), good);
}

TEST(DockingStore, TitlesThatAreNotUtf8AreStoredWithReplacements) {
    MemoryStore memory;
    DockingStore store(memory);
    ASSERT_TRUE(store.write({{"K", arrangement(1, "bad \xff\xfe title", 1)}}));
    auto back = store.get("K");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->displays.at("UUID-A")[0].windows[0].title, "bad \uFFFD\uFFFD title");
}

TEST(DockingStore, NamesASetupByItsSortedDisplayNames) {
    SavedArrangement setup;
    setup.displayNames = {{"1", "Zeta"}, {"2", "Alpha"}};
    EXPECT_EQ(DockingStore::name(setup), "Alpha + Zeta");
    setup.displayNames = {{"9", "Only"}};
    EXPECT_EQ(DockingStore::name(setup), "Only");
    setup.displayNames.clear();
    EXPECT_EQ(DockingStore::name(setup), "Unknown setup");
}

}  // namespace
}  // namespace tessarin
