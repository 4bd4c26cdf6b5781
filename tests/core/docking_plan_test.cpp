#include <gtest/gtest.h>

#include "core/docking_plan.hpp"
#include "support/docking_reference.hpp"

namespace tessarin {
namespace {

SavedColumn savedColumn(std::vector<SavedWindow> windows, std::vector<double> weights = {},
                        double width = 0.5, std::optional<double> savedFraction = std::nullopt) {
    return SavedColumn{std::move(windows), std::move(weights), width, savedFraction};
}

// Both matchers must agree on every hand-written case as well as on the random ones.
std::map<std::string, Strip> resolveBoth(const SavedArrangement& arrangement,
                                         const std::vector<LiveWindow>& live,
                                         const std::set<std::string>& displays) {
    auto fast = DockingPlan::resolve(arrangement, live, displays);
    EXPECT_EQ(fast, test::referenceResolve(arrangement, live, displays));
    return fast;
}

std::vector<WindowID> windowsOf(const std::map<std::string, Strip>& result,
                                const std::string& display) {
    auto it = result.find(display);
    std::vector<WindowID> windows;
    if (it == result.end()) return windows;
    for (const auto& column : it->second.columns) {
        windows.insert(windows.end(), column.windows.begin(), column.windows.end());
    }
    return windows;
}

TEST(DockingSetupKey, SortsAndJoinsIndependentOfOrder) {
    EXPECT_EQ(DockingPlan::setupKey({"B", "A"}), "A+B");
    EXPECT_EQ(DockingPlan::setupKey({"A", "B"}), "A+B");
    EXPECT_EQ(DockingPlan::setupKey({"A"}), "A");
    EXPECT_EQ(DockingPlan::setupKey({}), "");
    // Plain byte ordering: upper case sorts before lower case.
    EXPECT_EQ(DockingPlan::setupKey({"b", "C", "a"}), "C+a+b");
}

TEST(DockingResolve, NumberBeatsAnEarlierTitleMatch) {
    SavedArrangement arrangement;
    arrangement.displays["D"] = {savedColumn({{7, "app", "Doc"}})};
    std::vector<LiveWindow> live{{3, "app", "Doc"}, {7, "app", "Doc"}};
    auto result = resolveBoth(arrangement, live, {"D"});
    EXPECT_EQ(windowsOf(result, "D"), std::vector<WindowID>{7});
}

TEST(DockingResolve, NumbersAreMatchedOnEveryDisplayBeforeAnyTitle) {
    // A's window would take live 9 by title, but B's window claims it by number first.
    SavedArrangement arrangement;
    arrangement.displays["A"] = {savedColumn({{1, "app", "Doc"}})};
    arrangement.displays["B"] = {savedColumn({{9, "app", "Other"}})};
    std::vector<LiveWindow> live{{9, "app", "Doc"}, {4, "app", "Else"}};
    auto result = resolveBoth(arrangement, live, {"A", "B"});
    EXPECT_EQ(windowsOf(result, "A"), std::vector<WindowID>{4});
    EXPECT_EQ(windowsOf(result, "B"), std::vector<WindowID>{9});
}

TEST(DockingResolve, ExactTitleBeatsAnEarlierWindowOfTheSameApplication) {
    SavedArrangement arrangement;
    arrangement.displays["D"] = {savedColumn({{1, "app", "Mail"}})};
    std::vector<LiveWindow> live{{5, "app", "Inbox"}, {6, "app", "Mail"}};
    auto result = resolveBoth(arrangement, live, {"D"});
    EXPECT_EQ(windowsOf(result, "D"), std::vector<WindowID>{6});
}

TEST(DockingResolve, GreedyInSavedOrderEvenWhenATitleCouldMatchLater) {
    SavedArrangement arrangement;
    arrangement.displays["D"] = {savedColumn({{1, "app", "T1"}}), savedColumn({{2, "app", "T2"}})};
    std::vector<LiveWindow> live{{10, "app", "T2"}, {11, "app", "T3"}};
    auto result = resolveBoth(arrangement, live, {"D"});
    EXPECT_EQ(windowsOf(result, "D"), (std::vector<WindowID>{10, 11}));
}

TEST(DockingResolve, EarlierDisplayColumnAndRowWinWhenWindowsRunShort) {
    SavedArrangement arrangement;
    arrangement.displays["B"] = {savedColumn({{1, "app", "x"}})};
    arrangement.displays["A"] = {savedColumn({{2, "other", "y"}, {3, "app", "x"}}),
                                 savedColumn({{4, "app", "x"}})};
    std::vector<LiveWindow> live{{20, "app", "x"}};
    auto result = resolveBoth(arrangement, live, {"A", "B"});
    ASSERT_EQ(result.size(), 1u);
    EXPECT_EQ(windowsOf(result, "A"), std::vector<WindowID>{20});
}

TEST(DockingResolve, GoneTopWindowLeavesTheSecondWithItsOwnWeight) {
    SavedArrangement arrangement;
    arrangement.displays["D"] = {savedColumn({{1, "a", "one"}, {2, "b", "two"}}, {0.3, 0.7})};
    auto result = resolveBoth(arrangement, {{2, "b", "two"}}, {"D"});
    ASSERT_EQ(result.count("D"), 1u);
    ASSERT_EQ(result["D"].columns.size(), 1u);
    EXPECT_EQ(result["D"].columns[0].windows, std::vector<WindowID>{2});
    EXPECT_EQ(result["D"].columns[0].heightWeights, std::vector<double>{0.7});
}

TEST(DockingResolve, WeightsFollowTheirRowsAndMissingOnesReadOne) {
    SavedArrangement arrangement;
    arrangement.displays["D"] = {savedColumn({{1, "a", ""}, {2, "a", ""}}, {0.2, 0.5, 0.9}),
                                 savedColumn({{3, "a", ""}, {4, "a", ""}}, {0.4})};
    auto result = resolveBoth(arrangement, {{2, "", ""}, {3, "", ""}, {4, "", ""}}, {"D"});
    ASSERT_EQ(result["D"].columns.size(), 2u);
    EXPECT_EQ(result["D"].columns[0].heightWeights, std::vector<double>{0.5});
    EXPECT_EQ(result["D"].columns[1].heightWeights, (std::vector<double>{0.4, 1.0}));
}

TEST(DockingResolve, RebuiltColumnsKeepWidthsAndStartUnfocusedAndUnzoomed) {
    SavedArrangement arrangement;
    arrangement.displays["D"] = {savedColumn({{1, "a", ""}}, {1.0}, 0.33),
                                 savedColumn({{2, "a", ""}}, {1.0}, 1.0, 0.66)};
    auto result = resolveBoth(arrangement, {{2, "", ""}, {1, "", ""}}, {"D"});
    const Strip& strip = result["D"];
    EXPECT_EQ(strip.focusedColumn, 0);
    EXPECT_EQ(strip.scrollOffset, 0);
    ASSERT_EQ(strip.columns.size(), 2u);
    EXPECT_EQ(strip.columns[0].widthFraction, 0.33);
    EXPECT_FALSE(strip.columns[0].savedFraction.has_value());
    EXPECT_EQ(strip.columns[1].widthFraction, 1.0);
    EXPECT_EQ(strip.columns[1].savedFraction, 0.66);
    for (const auto& column : strip.columns) {
        EXPECT_EQ(column.activeRow, 0);
        EXPECT_FALSE(column.zoomed.has_value());
    }
}

TEST(DockingResolve, DisconnectedDisplayLeavesItsWindowsToOthers) {
    SavedArrangement arrangement;
    arrangement.displays["Gone"] = {savedColumn({{5, "app", "Doc"}})};
    arrangement.displays["Here"] = {savedColumn({{6, "app", "Sheet"}})};
    auto result = resolveBoth(arrangement, {{5, "app", "Doc"}}, {"Here", "Elsewhere"});
    EXPECT_EQ(result.count("Gone"), 0u);
    EXPECT_EQ(windowsOf(result, "Here"), std::vector<WindowID>{5});
}

TEST(DockingResolve, NothingMatchingGivesAnEmptyMap) {
    SavedArrangement arrangement;
    arrangement.displays["D"] = {savedColumn({{1, "app", "Doc"}}), savedColumn({})};
    EXPECT_TRUE(resolveBoth(arrangement, {{2, "other", "Doc"}}, {"D"}).empty());
    EXPECT_TRUE(resolveBoth(arrangement, {}, {"D"}).empty());
    EXPECT_TRUE(resolveBoth(arrangement, {{1, "app", "Doc"}}, {}).empty());
    EXPECT_TRUE(resolveBoth(SavedArrangement{}, {{1, "app", "Doc"}}, {"D"}).empty());
}

TEST(DockingResolve, EachLiveEntryIsUsedOnce) {
    SavedArrangement arrangement;
    arrangement.displays["D"] = {savedColumn({{7, "app", "A"}, {7, "app", "A"}}),
                                 savedColumn({{7, "app", "A"}})};
    // Two live entries carry the number 7: two saved slots get one each, the third gets none.
    auto result = resolveBoth(arrangement, {{7, "app", "A"}, {7, "x", "B"}}, {"D"});
    ASSERT_EQ(result["D"].columns.size(), 1u);
    EXPECT_EQ(result["D"].columns[0].windows, (std::vector<WindowID>{7, 7}));
}

}  // namespace
}  // namespace tessarin
