// The stored forms of strips and saved arrangements: exact keys, round trips, and hostile
// documents that must decode to nothing or to a repaired strip, never crash.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/saved_arrangement.hpp"
#include "core/strip.hpp"
#include "support/seed.hpp"
#include "support/strip_invariants.hpp"

namespace tessarin {
namespace {

using nlohmann::json;

Strip sampleStrip() {
    Column stack({7, 4294967295u, 12}, 0.45);
    stack.heightWeights = {0.5, 2.25, 1.0};
    stack.activeRow = 2;
    Column wide({3}, 1.0);
    wide.savedFraction = 0.6;
    Column zoomed({9}, 1.0);
    zoomed.savedFraction = 1.0 / 3;
    zoomed.zoomed = true;
    Column plain({0}, 0.75);
    plain.zoomed = false;  // stored "not zoomed" stays as stored
    Strip strip({stack, wide, zoomed, plain});
    strip.focusedColumn = 2;
    strip.scrollOffset = -412.5;
    return strip;
}

std::optional<Strip> decodeText(const std::string& text) {
    return stripFromJson(json::parse(text, nullptr, false));
}

TEST(StripJson, KeysAreTheFieldNamesAndRoundTrip) {
    using Keys = std::vector<std::string>;
    auto keysOf = [](const json& object) {
        Keys names;
        for (const auto& item : object.items())
            names.push_back(item.key());
        return names;
    };
    const Strip strip = sampleStrip();
    const json document = toJson(strip);
    EXPECT_EQ(keysOf(document), (Keys{"columns", "focusedColumn", "scrollOffset"}));
    const json& columns = document["columns"];
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(keysOf(columns[0]), (Keys{"activeRow", "heightWeights", "widthFraction", "windows"}));
    EXPECT_EQ(keysOf(columns[2]), (Keys{"activeRow", "heightWeights", "savedFraction",
                                        "widthFraction", "windows", "zoomed"}));
    EXPECT_EQ(columns[0]["windows"], json({7, 4294967295u, 12}));
    EXPECT_EQ(columns[0]["activeRow"], 2);
    EXPECT_EQ(columns[2]["zoomed"], true);
    EXPECT_EQ(columns[3]["zoomed"], false);
    EXPECT_EQ(document["focusedColumn"], 2);

    EXPECT_EQ(decodeText(document.dump()), strip);
    EXPECT_EQ(stripFromJson(toJson(Strip())), Strip());
    EXPECT_EQ(columnFromJson(columns[2]), strip.columns[2]);
}

TEST(StripJson, OptionalKeysMayBeAbsentOrNullAndIntegersWholeNumbers) {
    const auto strip = decodeText(R"({"columns": [
        {"windows": [5.0, 4294967295.0], "heightWeights": [1, 2], "widthFraction": 1,
         "activeRow": 1.0, "extra": [1, {}]},
        {"windows": [6], "heightWeights": [1], "widthFraction": 0.5, "activeRow": 0,
         "savedFraction": null, "zoomed": null}],
        "focusedColumn": 1.0, "scrollOffset": 0, "comment": "ignored"})");
    ASSERT_TRUE(strip);
    EXPECT_EQ(strip->windows(), (std::vector<WindowID>{5, 4294967295u, 6}));
    EXPECT_EQ(strip->columns[0].activeRow, 1);
    EXPECT_EQ(strip->focusedColumn, 1);
    EXPECT_FALSE(strip->columns[1].isFullWidth());
    EXPECT_EQ(strip->columns[1].zoomed, std::nullopt);
}

TEST(StripJson, EveryRequiredKeyIsRequired) {
    const json document = toJson(sampleStrip());
    for (const char* key : {"columns", "focusedColumn", "scrollOffset"}) {
        json broken = document;
        broken.erase(key);
        EXPECT_EQ(stripFromJson(broken), std::nullopt) << key;
    }
    for (const char* key : {"windows", "heightWeights", "widthFraction", "activeRow"}) {
        json broken = document;
        broken["columns"][1].erase(key);
        EXPECT_EQ(stripFromJson(broken), std::nullopt) << key;
        EXPECT_EQ(columnFromJson(broken["columns"][1]), std::nullopt) << key;
    }
}

TEST(StripJson, WrongTypesAndOutOfRangeValuesFail) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<const char*, std::vector<json>> cases[] = {
        {"/columns", {json::object()}},
        {"/columns/0", {json::array()}},
        {"/columns/0/windows", {"7"}},
        {"/columns/0/windows/1", {"7", -1, 4294967296u, 1.5, nullptr}},
        {"/columns/0/heightWeights/0", {"1", inf}},
        {"/columns/0/heightWeights", {1.0}},
        {"/columns/0/widthFraction", {"0.5", nan, -inf, nullptr}},
        {"/columns/1/savedFraction", {true, nan}},
        {"/columns/0/activeRow", {0.5, "0", 1e30, std::numeric_limits<std::uint64_t>::max()}},
        {"/columns/2/zoomed", {1, "true"}},
        {"/focusedColumn", {0.5, false, 9223372036854775808.0}},
        {"/scrollOffset", {inf, "0"}}};
    for (const auto& [where, values] : cases) {
        for (const json& value : values) {
            json broken = toJson(sampleStrip());
            broken[json::json_pointer(where)] = value;
            EXPECT_EQ(stripFromJson(broken), std::nullopt) << where << " = " << value.dump();
        }
    }
    for (const json& notAStrip : {json(), json(3), json("strip"), json::array()}) {
        EXPECT_EQ(stripFromJson(notAStrip), std::nullopt);
        EXPECT_EQ(columnFromJson(notAStrip), std::nullopt);
    }
}

TEST(StripJson, BrokenColumnsAreRepaired) {
    const auto strip = decodeText(R"({"columns": [
        {"windows": [1, 2, 3], "heightWeights": [2], "widthFraction": 0.5, "activeRow": 99},
        {"windows": [], "heightWeights": [1, 1], "widthFraction": 0.5, "activeRow": 0},
        {"windows": [4], "heightWeights": [3, 4, 5], "widthFraction": 7, "activeRow": -3},
        {"windows": [2, 5, 5], "heightWeights": [1, 2, 3], "widthFraction": 0.5, "activeRow": 2},
        {"windows": [1, 4], "heightWeights": [1, 1], "widthFraction": 0.5, "activeRow": 0}],
        "focusedColumn": 3, "scrollOffset": 0})");
    ASSERT_TRUE(strip);
    EXPECT_TRUE(test::stripInvariantsHold(*strip));
    ASSERT_EQ(strip->columns.size(), 3u);
    EXPECT_EQ(strip->columns[0].heightWeights, (std::vector<double>{2, 1, 1}));
    EXPECT_EQ(strip->columns[0].activeRow, 2);
    EXPECT_EQ(strip->columns[1].heightWeights, (std::vector<double>{3}));
    EXPECT_EQ(strip->columns[1].activeRow, 0);
    EXPECT_EQ(strip->columns[1].widthFraction, 7);  // values are otherwise taken as stored
    // Only the first copy of a window survives; its column keeps the row it had active.
    EXPECT_EQ(strip->columns[2].windows, (std::vector<WindowID>{5}));
    EXPECT_EQ(strip->columns[2].heightWeights, (std::vector<double>{2}));
    EXPECT_EQ(strip->columns[2].activeRow, 0);
    EXPECT_EQ(strip->focusedColumn, 2);  // still the same column after the empty one went
}

TEST(StripJson, FocusIsBroughtIntoRange) {
    const std::pair<json, std::int64_t> cases[] = {
        {99, 2}, {-4, 0}, {std::numeric_limits<std::int64_t>::min(), 0}, {1, 1}};
    for (const auto& [focus, expected] : cases) {
        json document = toJson(sampleStrip());
        document["columns"].erase(3);
        document["focusedColumn"] = focus;
        EXPECT_EQ(stripFromJson(document).value_or(Strip()).focusedColumn, expected) << focus;
    }
    const auto empty = decodeText(R"({"columns": [], "focusedColumn": 4, "scrollOffset": 0})");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->focusedColumn, 0);
}

// Random documents mixing right and wrong values: every decode either fails or yields a strip
// the operations can rely on.
TEST(StripJson, RandomHostileDocumentsNeverBreakInvariants) {
    std::mt19937_64 random(test::seed("StripJson.RandomHostileDocumentsNeverBreakInvariants"));
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    auto wild = [&]() -> json {
        const json values[] = {
            nullptr,     "x",           true,           -1,    1.5,
            4294967296u, json::array(), json::object(), 1e300, -9223372036854775807LL};
        return values[pick(std::size(values))];
    };
    auto integer = [&](int low, int high) -> json {
        return pick(12) == 0 ? wild() : json(low + pick(high - low + 1));
    };
    auto numbers = [&](int count, auto make) {
        json array = json::array();
        for (int i = 0; i < count; ++i)
            array.push_back(make());
        return pick(15) == 0 ? wild() : array;
    };
    const int documents = test::longRun() ? 100000 : 3000;
    int decoded = 0;
    for (int d = 0; d < documents; ++d) {
        json columns = json::array();
        for (int c = pick(6); c > 0; --c) {
            json column = {{"windows", numbers(pick(5), [&] { return integer(0, 6); })},
                           {"heightWeights", numbers(pick(5), [&] { return integer(-1, 5); })},
                           {"widthFraction", integer(0, 2)},
                           {"activeRow", integer(-2, 5)}};
            if (pick(3) == 0) column["savedFraction"] = integer(0, 1);
            if (pick(3) == 0) column["zoomed"] = pick(8) ? json(pick(2) == 1) : wild();
            if (pick(8) == 0) column.erase(std::next(column.begin(), pick(4)));
            columns.push_back(column);
        }
        const json document = {{"columns", columns},
                               {"focusedColumn", integer(-2, 6)},
                               {"scrollOffset", integer(-100, 100)}};
        const auto strip = stripFromJson(document);
        if (!strip) continue;
        ++decoded;
        ASSERT_TRUE(test::stripInvariantsHold(*strip)) << document.dump();
        EXPECT_EQ(stripFromJson(toJson(*strip)), strip) << document.dump();
    }
    EXPECT_GT(decoded, 0);  // the generator must also produce documents that decode
}

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

// Reading them is the shared number rule's, checked through the strip decoder.
TEST(DockingJson, NonFiniteNumbersAreNotEncoded) {
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
    }
}

}  // namespace
}  // namespace tessarin
