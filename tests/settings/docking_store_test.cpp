#include <limits>
#include <random>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/memory_store.hpp"
#include "settings/docking_store.hpp"
#include "support/seed.hpp"

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

// Writing replaces the whole collection; a map that cannot be encoded leaves the previous one.
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

    all["UUID-A"] = arrangement(3, "bad \xff\xfe title", 2);
    all.erase("UUID-A+UUID-B");
    ASSERT_TRUE(store.write(all));
    EXPECT_EQ(store.all().size(), 1u);
    // Titles that are not UTF-8 are stored with replacements.
    EXPECT_EQ(store.get("UUID-A")->displays.at("UUID-A")[0].windows[0].title,
              "bad \uFFFD\uFFFD title");
    const auto good = store.all();
    all["L"] = arrangement(2, "Doc", std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(store.write(all));
    EXPECT_EQ(store.all(), good);
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

const std::string kValid =
    R"({"A+B":{"displays":{"A":[{"windows":[{"id":7,"bundleID":"b","title":"t"}],)"
    R"("heightWeights":[1],"widthFraction":0.5,"savedFraction":1}]},)"
    R"("displayNames":{"A":"Left","B":"Right"},"savedAt":1.5}})";

std::map<std::string, SavedArrangement> readText(const json& stored) {
    MemoryStore memory;
    memory.set("dockingLayouts", stored);
    return DockingStore(memory).all();
}

TEST(DockingStoreHostile, EveryTruncationAndWrongKindOfStoredValueReadsEmpty) {
    ASSERT_EQ(readText(kValid).at("A+B").displays.at("A")[0].windows[0].id, 7u);
    for (std::size_t length = 0; length < kValid.size(); ++length)
        EXPECT_TRUE(readText(kValid.substr(0, length)).empty()) << length;
    for (const json& stored :
         {json(42), json(true), json::array({kValid}), json::parse(kValid), json("null"),
          json("[]"), json("\"text\""), json("{\"K\": []}"), json("{\"K\": null}"), json("{}"),
          json(std::string(200000, '[') + std::string(200000, ']')),
          json(kValid + std::string(1, '\0') + "garbage")}) {
        EXPECT_TRUE(readText(stored).empty()) << stored.dump().substr(0, 40);
    }
}

TEST(DockingStoreHostile, OneDamagedRecordEmptiesTheCollectionUntilTheNextWrite) {
    json document = json::parse(kValid);
    document["C"] = document["A+B"];
    document["C"]["displays"]["A"][0]["windows"][0].erase("title");
    MemoryStore memory;
    memory.set("dockingLayouts", document.dump());
    DockingStore store(memory);
    EXPECT_TRUE(store.all().empty());
    EXPECT_FALSE(store.get("A+B"));

    SavedArrangement fresh;
    fresh.displayNames["A"] = "Left";
    ASSERT_TRUE(store.write({{"A", fresh}}));
    EXPECT_EQ(store.all().size(), 1u);
}

TEST(DockingStoreHostile, RandomCorruptionNeverCrashes) {
    std::mt19937_64 random(test::seed("DockingStoreHostile"));
    const int rounds = test::longRun() ? 200000 : 5000;
    const std::string alphabet = "{}[]\":,0123456789.eE-+ntrufalsidbwh\\\xff";
    int decoded = 0;
    for (int round = 0; round < rounds; ++round) {
        std::string text = kValid;
        int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            std::size_t at = random() % text.size();
            char c = alphabet[random() % alphabet.size()];
            const auto kind = random() % 3;
            if (kind == 0) text[at] = c;
            if (kind == 1) text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), c);
            if (kind == 2) text.erase(at, 1 + random() % 8);
            if (text.empty()) text.assign(1, '{');  // not `= "{"`: a false -Wrestrict in GCC 12 -O3
        }
        auto all = readText(text);
        // Whatever decodes must be a full collection that encodes again.
        if (!all.empty()) {
            ++decoded;
            MemoryStore memory;
            EXPECT_TRUE(DockingStore(memory).write(all));
        }
    }
    // Some mutations (digits, titles) leave a valid document: the decode path is exercised.
    EXPECT_GT(decoded, 0);
}

}  // namespace
}  // namespace tessarin
