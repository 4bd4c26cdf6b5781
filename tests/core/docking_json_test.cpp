#include <cmath>
#include <functional>
#include <limits>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "core/saved_arrangement.hpp"

namespace tessarin {
namespace {

using nlohmann::json;

SavedArrangement sample() {
    SavedArrangement arrangement;
    arrangement.displays["UUID-1"] = {
        SavedColumn{{{4294967295u, "com.example.editor", "main.cpp — Ünïcode"},
                     {0, "com.example.term", ""}},
                    {0.25, 0.75},
                    0.5,
                    std::nullopt},
        SavedColumn{{{42, "com.example.browser", "News"}}, {1.0}, 1.0, 0.4}};
    arrangement.displays["UUID-2"] = {};
    arrangement.displayNames = {{"UUID-1", "Built-in"}, {"UUID-2", "External"}};
    arrangement.savedAt = 786543210.125;
    return arrangement;
}

TEST(DockingJson, RoundTripsWithTheStoredKeys) {
    auto encoded = toJson(sample());
    ASSERT_TRUE(encoded);
    const json& document = *encoded;
    EXPECT_EQ(document["savedAt"], 786543210.125);
    EXPECT_EQ(document["displayNames"]["UUID-2"], "External");
    const json& first = document["displays"]["UUID-1"][0];
    EXPECT_EQ(first["windows"][0], (json{{"id", 4294967295u},
                                         {"bundleID", "com.example.editor"},
                                         {"title", "main.cpp — Ünïcode"}}));
    EXPECT_EQ(first["heightWeights"], (json{0.25, 0.75}));
    EXPECT_EQ(first["widthFraction"], 0.5);
    EXPECT_FALSE(first.contains("savedFraction"));  // optional fields only when present
    EXPECT_EQ(document["displays"]["UUID-1"][1]["savedFraction"], 0.4);
    EXPECT_EQ(document["displays"]["UUID-2"], json::array());

    // Through text as well, the way the store keeps it.
    auto decoded = savedArrangementFromJson(json::parse(document.dump()));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, sample());
}

TEST(DockingJson, ReadsAHandWrittenDocumentAndIgnoresUnknownKeys) {
    auto decoded = savedArrangementFromJson(json::parse(R"({
        "savedAt": 700000000, "version": 3,
        "displayNames": {"A": "Left"},
        "displays": {"A": [{"windows": [{"id": 7, "bundleID": "b", "title": "t", "x": 1}],
                            "heightWeights": [2], "widthFraction": 1, "savedFraction": null,
                            "activeRow": 3}]}})"));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->savedAt, 700000000.0);
    const SavedColumn& column = decoded->displays.at("A").at(0);
    EXPECT_EQ(column, (SavedColumn{{{7, "b", "t"}}, {2.0}, 1.0, std::nullopt}));
}

TEST(DockingJson, ReferenceDateIsTheStartOf2001) {
    auto start2001 = std::chrono::system_clock::time_point(std::chrono::seconds(978307200));
    EXPECT_EQ(secondsSinceReferenceDate(start2001), 0.0);
    EXPECT_EQ(secondsSinceReferenceDate(start2001 + std::chrono::milliseconds(1500)), 1.5);
}

TEST(DockingJson, MissingOrMistypedRequiredKeysFail) {
    const json window{{"id", 1}, {"bundleID", "b"}, {"title", "t"}};
    const json column{
        {"windows", json::array({window})}, {"heightWeights", {1}}, {"widthFraction", 1}};
    const json arrangement{{"displays", {{"A", json::array({column})}}},
                           {"displayNames", {{"A", "Left"}}},
                           {"savedAt", 1}};
    auto windowOk = [](const json& j) { return savedWindowFromJson(j).has_value(); };
    auto columnOk = [](const json& j) { return savedColumnFromJson(j).has_value(); };
    auto arrangementOk = [](const json& j) { return savedArrangementFromJson(j).has_value(); };
    // Each level with its required keys and a value of the wrong kind for all of them.
    const std::tuple<json, std::function<bool(const json&)>, std::vector<const char*>, json>
        levels[] = {
            {window, windowOk, {"id", "bundleID", "title"}, json::array()},
            {column, columnOk, {"windows", "heightWeights", "widthFraction"}, "1"},
            {arrangement, arrangementOk, {"displays", "displayNames", "savedAt"}, json::array()},
        };
    for (const auto& [valid, decodes, keys, wrong] : levels) {
        ASSERT_TRUE(decodes(valid)) << valid;
        for (const char* key : keys) {
            json broken = valid;
            broken.erase(key);
            EXPECT_FALSE(decodes(broken)) << key;
            broken[key] = wrong;
            EXPECT_FALSE(decodes(broken)) << key;
        }
        for (const json& notObject : {json(nullptr), json(1), json("x"), json::array()})
            EXPECT_FALSE(decodes(notObject));
    }
    const std::pair<json::json_pointer, json> wrongInside[] = {
        {"/windows/1"_json_pointer, 5},
        {"/heightWeights/1"_json_pointer, "2"},
        {"/savedFraction"_json_pointer, true},
    };
    for (const auto& [where, value] : wrongInside) {
        json broken = column;
        broken[where] = value;
        EXPECT_FALSE(columnOk(broken)) << where;
    }
    json badName = arrangement;
    badName["displayNames"]["B"] = 3;
    EXPECT_FALSE(arrangementOk(badName));
    json badColumns = arrangement;
    badColumns["displays"]["B"] = column;  // an object where an array belongs
    EXPECT_FALSE(arrangementOk(badColumns));
}

// The same rule as the strip decoder's: a whole number, also when written as 7.0.
TEST(DockingJson, WindowNumbersMustBeWholeNumbersIn32Bits) {
    auto idFrom = [](const char* text) {
        return savedWindowFromJson(
            json::parse(std::string(R"({"bundleID":"b","title":"t","id":)") + text + "}"));
    };
    ASSERT_TRUE(idFrom("4294967295"));
    EXPECT_EQ(idFrom("4294967295")->id, 4294967295u);
    EXPECT_EQ(idFrom("0")->id, 0u);
    EXPECT_EQ(idFrom("7.0")->id, 7u);
    for (const char* bad : {"4294967296", "-1", "1.5", "7.5", "1e30", "18446744073709551615",
                            "99999999999999999999999", "-9223372036854775808", "\"7\"", "null"}) {
        EXPECT_FALSE(idFrom(bad)) << bad;
    }
    EXPECT_EQ(
        savedWindowFromJson(json{{"id", std::int64_t{9}}, {"bundleID", ""}, {"title", ""}})->id,
        9u);
    EXPECT_FALSE(
        savedWindowFromJson(json{{"id", std::int64_t{-9}}, {"bundleID", ""}, {"title", ""}}));
}

TEST(DockingJson, NonFiniteNumbersNeitherEncodeNorDecode) {
    const std::function<void(SavedArrangement&, double)> damage[] = {
        [](SavedArrangement& a, double v) { a.savedAt = v; },
        [](SavedArrangement& a, double v) { a.displays["UUID-1"][0].heightWeights[1] = v; },
        [](SavedArrangement& a, double v) { a.displays["UUID-1"][1].savedFraction = v; },
        [](SavedArrangement& a, double v) { a.displays["UUID-1"][1].widthFraction = v; },
    };
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
        for (std::size_t d = 0; d < std::size(damage); ++d) {
            SavedArrangement arrangement = sample();
            damage[d](arrangement, bad);
            EXPECT_FALSE(toJson(arrangement)) << d << " " << bad;
        }
        const json column{{"windows", json::array()}, {"heightWeights", {1}}, {"widthFraction", 1}};
        for (const char* pointer : {"/widthFraction", "/heightWeights/0", "/savedFraction"}) {
            json broken = column;
            broken[json::json_pointer(pointer)] = bad;
            EXPECT_FALSE(savedColumnFromJson(broken)) << pointer << " " << bad;
        }
        EXPECT_FALSE(savedArrangementFromJson(json{
            {"displays", json::object()}, {"displayNames", json::object()}, {"savedAt", bad}}));
    }
}

}  // namespace
}  // namespace tessarin
