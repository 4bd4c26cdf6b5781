#include <random>

#include <gtest/gtest.h>

#include "core/docking_plan.hpp"
#include "support/docking_reference.hpp"
#include "support/seed.hpp"

namespace tessarin {
namespace {

// Small value ranges on purpose: duplicate numbers, shared titles and competing applications
// are where a shortcut in the matcher would go wrong.
struct Generator {
    std::mt19937_64 random;
    std::size_t scale = 1;  // now and then a larger case, so the pool indexes grow and rehash

    std::size_t below(std::size_t bound) {
        return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random);
    }

    // Appended rather than `"t" + std::to_string(...)`: GCC 12 at -O3 reports a false
    // -Wrestrict for a literal added to a temporary string.
    static std::string named(std::string prefix, std::size_t n) {
        prefix += std::to_string(n);
        return prefix;
    }

    WindowID number(std::size_t range) { return static_cast<WindowID>(below(range)); }
    std::string bundle(std::size_t apps) { return named("app", below(apps)); }
    std::string title(std::size_t titles) {
        return below(8) == 0 ? std::string() : named("t", below(titles));
    }

    SavedArrangement arrangement(std::size_t range, std::size_t apps, std::size_t titles) {
        SavedArrangement result;
        std::size_t displayCount = below(4);
        for (std::size_t d = 0; d < displayCount; ++d) {
            auto& columns = result.displays[named("D", below(5))];
            std::size_t columnCount = below(6 * scale);
            for (std::size_t c = 0; c < columnCount; ++c) {
                SavedColumn column;
                std::size_t rows = below(4);  // includes the odd empty column
                for (std::size_t r = 0; r < rows; ++r) {
                    column.windows.push_back({number(range), bundle(apps), title(titles)});
                }
                std::size_t weights = below(5);
                for (std::size_t w = 0; w < weights; ++w)
                    column.heightWeights.push_back(0.1 * w);
                column.widthFraction = 0.1 * static_cast<double>(1 + below(10));
                if (below(3) == 0) column.savedFraction = 0.5;
                columns.push_back(std::move(column));
            }
        }
        return result;
    }

    std::vector<LiveWindow> live(std::size_t range, std::size_t apps, std::size_t titles) {
        std::vector<LiveWindow> result(below(25 * scale));
        for (auto& window : result)
            window = {number(range), bundle(apps), title(titles)};
        return result;
    }

    std::set<std::string> connected() {
        std::set<std::string> result;
        for (std::size_t d = 0; d < 6; ++d) {
            if (below(3) != 0) result.insert(named("D", d));
        }
        return result;
    }
};

TEST(DockingSetupKey, SortsAndJoinsIndependentOfOrder) {
    EXPECT_EQ(DockingPlan::setupKey({"B", "A"}), "A+B");
    EXPECT_EQ(DockingPlan::setupKey({"A"}), "A");
    EXPECT_EQ(DockingPlan::setupKey({}), "");
    // Plain byte ordering: upper case sorts before lower case.
    EXPECT_EQ(DockingPlan::setupKey({"b", "C", "a"}), "C+a+b");
}

// Two live entries with one number are one window: once placed by number, it is not placed
// again by its application under the other entry's title.
TEST(DockingResolve, AWindowListedTwiceIsPlacedOnce) {
    SavedArrangement arrangement;
    arrangement.displays["D"] = {SavedColumn{{{5, "app", "x"}}, {}, 0.5, {}},
                                 SavedColumn{{{7, "app", "z"}}, {}, 0.5, {}}};
    const auto strips =
        DockingPlan::resolve(arrangement, {{5, "app", "x"}, {5, "app", "y"}}, {"D"});
    ASSERT_EQ(strips.count("D"), 1u);
    EXPECT_EQ(strips.at("D").windows(), std::vector<WindowID>{5});
}

// Matching order, rebuilt weights and widths and the empty cases are all checked against the
// plain matcher: the small ranges below make every rule decide some cases.
TEST(DockingResolveRandom, AgreesWithThePlainGreedyMatcher) {
    Generator generator{std::mt19937_64(test::seed("DockingResolveRandom"))};
    const int cases = test::longRun() ? 200000 : 5000;
    int matched = 0;
    for (int i = 0; i < cases; ++i) {
        generator.scale = generator.below(20) == 0 ? 20 : 1;
        std::size_t range = 1 + generator.below(30 * generator.scale);
        std::size_t apps = 1 + generator.below(4 * generator.scale);
        std::size_t titles = 1 + generator.below(5 * generator.scale);
        auto arrangement = generator.arrangement(range, apps, titles);
        auto live = generator.live(range, apps, titles);
        auto displays = generator.connected();
        auto expected = test::referenceResolve(arrangement, live, displays);
        auto actual = DockingPlan::resolve(arrangement, live, displays);
        ASSERT_EQ(actual, expected) << "case " << i;
        if (!actual.empty()) ++matched;
    }
    // Guards the generator: most cases must exercise the matching, not only the empty paths.
    EXPECT_GT(matched, cases / 3);
}

}  // namespace
}  // namespace tessarin
