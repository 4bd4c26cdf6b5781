#include <cmath>
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
    json window{{"id", 1}, {"bundleID", "b"}, {"title", "t"}};
    for (const char* key : {"id", "bundleID", "title"}) {
        json broken = window;
        broken.erase(key);
        EXPECT_FALSE(savedWindowFromJson(broken)) << key;
        broken[key] = json::array();
        EXPECT_FALSE(savedWindowFromJson(broken)) << key;
    }
    json column{{"windows", json::array({window})}, {"heightWeights", {1}}, {"widthFraction", 1}};
    ASSERT_TRUE(savedColumnFromJson(column));
    for (const char* key : {"windows", "heightWeights", "widthFraction"}) {
        json broken = column;
        broken.erase(key);
        EXPECT_FALSE(savedColumnFromJson(broken)) << key;
        broken[key] = "1";
        EXPECT_FALSE(savedColumnFromJson(broken)) << key;
    }
    EXPECT_FALSE(savedColumnFromJson(json{{"windows", json::array({window, 5})},
                                          {"heightWeights", json::array()},
                                          {"widthFraction", 1}}));
    EXPECT_FALSE(savedColumnFromJson(
        json{{"windows", json::array()}, {"heightWeights", {1, "2"}}, {"widthFraction", 1}}));
    json withSaved = column;
    withSaved["savedFraction"] = true;
    EXPECT_FALSE(savedColumnFromJson(withSaved));

    json arrangement{{"displays", {{"A", json::array({column})}}},
                     {"displayNames", {{"A", "Left"}}},
                     {"savedAt", 1}};
    ASSERT_TRUE(savedArrangementFromJson(arrangement));
    for (const char* key : {"displays", "displayNames", "savedAt"}) {
        json broken = arrangement;
        broken.erase(key);
        EXPECT_FALSE(savedArrangementFromJson(broken)) << key;
        broken[key] = json::array();
        EXPECT_FALSE(savedArrangementFromJson(broken)) << key;
    }
    json badName = arrangement;
    badName["displayNames"]["B"] = 3;
    EXPECT_FALSE(savedArrangementFromJson(badName));
    json badColumns = arrangement;
    badColumns["displays"]["B"] = column;  // an object where an array belongs
    EXPECT_FALSE(savedArrangementFromJson(badColumns));
    for (const json& notObject : {json(nullptr), json(1), json("x"), json::array()}) {
        EXPECT_FALSE(savedWindowFromJson(notObject));
        EXPECT_FALSE(savedColumnFromJson(notObject));
        EXPECT_FALSE(savedArrangementFromJson(notObject));
    }
}

TEST(DockingJson, WindowNumbersMustBeUnsigned32BitIntegers) {
    auto idFrom = [](const char* text) {
        return savedWindowFromJson(
            json::parse(std::string(R"({"bundleID":"b","title":"t","id":)") + text + "}"));
    };
    ASSERT_TRUE(idFrom("4294967295"));
    EXPECT_EQ(idFrom("4294967295")->id, 4294967295u);
    EXPECT_EQ(idFrom("0")->id, 0u);
    for (const char* bad : {"4294967296", "-1", "1.5", "7.0", "1e30", "18446744073709551615",
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
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {nan, inf, -inf}) {
        SavedArrangement arrangement = sample();
        arrangement.savedAt = bad;
        EXPECT_FALSE(toJson(arrangement));
        arrangement = sample();
        arrangement.displays["UUID-1"][0].heightWeights[1] = bad;
        EXPECT_FALSE(toJson(arrangement));
        arrangement = sample();
        arrangement.displays["UUID-1"][1].savedFraction = bad;
        EXPECT_FALSE(toJson(arrangement));
        arrangement = sample();
        arrangement.displays["UUID-1"][1].widthFraction = bad;
        EXPECT_FALSE(toJson(arrangement));

        json column{{"windows", json::array()}, {"heightWeights", {1}}, {"widthFraction", bad}};
        EXPECT_FALSE(savedColumnFromJson(column));
        column["widthFraction"] = 1;
        column["heightWeights"] = {bad};
        EXPECT_FALSE(savedColumnFromJson(column));
        column["heightWeights"] = json::array();
        column["savedFraction"] = bad;
        EXPECT_FALSE(savedColumnFromJson(column));
        EXPECT_FALSE(savedArrangementFromJson(json{
            {"displays", json::object()}, {"displayNames", json::object()}, {"savedAt", bad}}));
    }
}

}  // namespace
}  // namespace tessarin
