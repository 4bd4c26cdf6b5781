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

TEST(DockingSetupKey, SortsAndJoinsIndependentOfOrder) {
    EXPECT_EQ(DockingPlan::setupKey({"B", "A"}), "A+B");
    EXPECT_EQ(DockingPlan::setupKey({"A", "B"}), "A+B");
    EXPECT_EQ(DockingPlan::setupKey({"A"}), "A");
    EXPECT_EQ(DockingPlan::setupKey({}), "");
    // Plain byte ordering: upper case sorts before lower case.
    EXPECT_EQ(DockingPlan::setupKey({"b", "C", "a"}), "C+a+b");
}

// Which live windows each display ends up with, by matching rule.
TEST(DockingResolve, MatchingOrder) {
    struct Case {
        const char* name;
        std::map<std::string, std::vector<SavedColumn>> saved;
        std::vector<LiveWindow> live;
        std::set<std::string> displays;
        std::map<std::string, std::vector<WindowID>> expected;
    };
    const Case cases[] = {
        {"a number beats an earlier title match",
         {{"D", {savedColumn({{7, "app", "Doc"}})}}},
         {{3, "app", "Doc"}, {7, "app", "Doc"}},
         {"D"},
         {{"D", {7}}}},
        {"numbers on every display before any title",
         {{"A", {savedColumn({{1, "app", "Doc"}})}}, {"B", {savedColumn({{9, "app", "Other"}})}}},
         {{9, "app", "Doc"}, {4, "app", "Else"}},
         {"A", "B"},
         {{"A", {4}}, {"B", {9}}}},
        {"an exact title beats an earlier window of the application",
         {{"D", {savedColumn({{1, "app", "Mail"}})}}},
         {{5, "app", "Inbox"}, {6, "app", "Mail"}},
         {"D"},
         {{"D", {6}}}},
        {"greedy in saved order even when a title could match later",
         {{"D", {savedColumn({{1, "app", "T1"}}), savedColumn({{2, "app", "T2"}})}}},
         {{10, "app", "T2"}, {11, "app", "T3"}},
         {"D"},
         {{"D", {10, 11}}}},
        {"earlier display, column and row win when windows run short",
         {{"B", {savedColumn({{1, "app", "x"}})}},
          {"A",
           {savedColumn({{2, "other", "y"}, {3, "app", "x"}}), savedColumn({{4, "app", "x"}})}}},
         {{20, "app", "x"}},
         {"A", "B"},
         {{"A", {20}}}},
        {"a disconnected display leaves its windows to others",
         {{"Gone", {savedColumn({{5, "app", "Doc"}})}},
          {"Here", {savedColumn({{6, "app", "Sheet"}})}}},
         {{5, "app", "Doc"}},
         {"Here", "Elsewhere"},
         {{"Here", {5}}}},
        {"a window listed twice is placed once",
         {{"D", {savedColumn({{7, "app", "A"}, {7, "app", "A"}}), savedColumn({{7, "app", "A"}})}}},
         {{7, "app", "A"}, {7, "x", "B"}},
         {"D"},
         {{"D", {7}}}},
        {"nor by its application once its number is placed",
         {{"D", {savedColumn({{5, "app", "x"}}), savedColumn({{7, "app", "z"}})}}},
         {{5, "app", "x"}, {5, "app", "y"}},
         {"D"},
         {{"D", {5}}}},
        {"no application matches",
         {{"D", {savedColumn({{1, "app", "Doc"}}), savedColumn({})}}},
         {{2, "other", "Doc"}},
         {"D"},
         {}},
        {"no live windows", {{"D", {savedColumn({{1, "app", "Doc"}})}}}, {}, {"D"}, {}},
        {"no displays", {{"D", {savedColumn({{1, "app", "Doc"}})}}}, {{1, "app", "Doc"}}, {}, {}},
        {"nothing saved", {}, {{1, "app", "Doc"}}, {"D"}, {}},
    };
    for (const Case& c : cases) {
        SavedArrangement arrangement;
        arrangement.displays = c.saved;
        const auto result = resolveBoth(arrangement, c.live, c.displays);
        std::map<std::string, std::vector<WindowID>> got;
        for (const auto& [display, strip] : result)
            got[display] = strip.windows();
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

// A gone top window leaves the second with its own weight; missing weights read 1.0.
TEST(DockingResolve, RebuiltColumnsKeepWeightsAndWidthsAndStartUnfocusedAndUnzoomed) {
    SavedArrangement arrangement;
    arrangement.displays["D"] = {savedColumn({{1, "a", ""}, {2, "a", ""}}, {0.2, 0.5, 0.9}, 0.33),
                                 savedColumn({{3, "a", ""}, {4, "a", ""}}, {0.4}, 1.0, 0.66)};
    auto result = resolveBoth(arrangement, {{4, "", ""}, {2, "", ""}, {3, "", ""}}, {"D"});
    // Column's constructor leaves the row, zoom and saved width unset, as a rebuilt column has.
    Column first({2}, 0.33), second({3, 4}, 1.0);
    first.heightWeights = {0.5};
    second.heightWeights = {0.4, 1.0};
    second.savedFraction = 0.66;
    EXPECT_EQ(result["D"], Strip({first, second}));  // focus and scroll at zero
}

}  // namespace
}  // namespace tessarin
