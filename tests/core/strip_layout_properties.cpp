#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "core/strip_layout.hpp"
#include "support/seed.hpp"

namespace tessarin {
namespace {

// Whole-point displays, gaps, peeks and row minimums keep the expected edges exact; scrolls and
// weights are fractional so rounding is exercised.
struct Scene {
    Strip strip;
    Rect bounds;
    Rect area;
    LayoutConfig config;
    bool neighbourLeft = false;
    bool neighbourRight = false;
    StripLayout::MinHeights minHeights;
    double scroll = 0;
};

class SceneMaker {
  public:
    explicit SceneMaker(std::uint64_t seed) : rng_(seed) {}

    Scene make() {
        Scene scene;
        scene.config.gap = integer(0, 30);
        scene.config.peek = integer(0, 20);
        scene.config.centerMode = allCenterModes[integer(0, 2)];
        scene.bounds =
            Rect{integer(-3000, 3000), integer(-200, 200), integer(600, 3000), integer(400, 1600)};
        scene.area = scene.bounds.insetBy(integer(0, 40));
        scene.neighbourLeft = chance(0.4);
        scene.neighbourRight = chance(0.4);

        std::vector<WindowID> ids(60);
        for (std::size_t i = 0; i < ids.size(); ++i)
            ids[i] = static_cast<WindowID>(100 + i * 7);
        std::shuffle(ids.begin(), ids.end(), rng_);
        std::size_t next = 0;
        const auto columns = static_cast<std::size_t>(integer(0, 9));
        for (std::size_t c = 0; c < columns; ++c) {
            const auto rows = static_cast<std::size_t>(chance(0.1) ? 0 : integer(1, 4));
            std::vector<WindowID> windows(ids.begin() + next, ids.begin() + next + rows);
            next += rows;
            // Inserted widths are stored unclamped, so a column may be wider than the area.
            Column col(windows, chance(0.1) ? real(1.0, 1.5) : real(0.1, 1.0));
            for (double& weight : col.heightWeights)
                weight = real(0.2, 5.0);
            if (rows > 1 && chance(0.2)) col.heightWeights.pop_back();  // tolerated short list
            for (WindowID w : windows) {
                if (chance(0.15)) scene.minHeights.insertOrAssign(w, integer(50, 400));
            }
            scene.strip.columns.push_back(std::move(col));
        }
        scene.strip.focusedColumn = columns == 0 ? 0 : integer(0, static_cast<double>(columns) - 1);
        scene.strip.scrollOffset = real(-200, 4000);
        scene.scroll = real(-500, 5000);
        return scene;
    }

    double integer(double lo, double hi) {
        return static_cast<double>(std::uniform_int_distribution<long>(
            static_cast<long>(lo), static_cast<long>(hi))(rng_));
    }
    double real(double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }

  private:
    std::mt19937_64 rng_;
};

int rounds() {
    return test::longRun() ? 200000 : 3000;
}

StripLayout::Frames framesOf(const Scene& s) {
    return StripLayout::frames(s.strip, s.scroll, s.area, s.bounds, s.config, s.neighbourLeft,
                               s.neighbourRight, s.minHeights);
}

double visibleWidth(const Rect& frame, const Rect& bounds) {
    return std::min(frame.maxX(), bounds.maxX()) - std::max(frame.minX(), bounds.minX());
}

// Frames cover exactly the windows of non-empty columns; spans follow each other with the
// gap; each column reaches the bottom, or stays in place, or is parked showing the peek.
TEST(StripLayoutProperties, SpansAndFramesOfEveryColumn) {
    SceneMaker maker(test::seed("StripLayoutProperties.Columns"));
    for (int i = 0; i < rounds(); ++i) {
        const Scene s = maker.make();
        const auto frames = framesOf(s);
        const auto spans = StripLayout::spans(s.strip, s.area.width, s.config.gap);
        std::set<WindowID> expected;
        for (const Column& col : s.strip.columns)
            expected.insert(col.windows.begin(), col.windows.end());
        std::set<WindowID> got;
        for (const auto& [window, frame] : frames)
            got.insert(window);
        ASSERT_EQ(got, expected) << "round " << i;
        ASSERT_EQ(spans.size(), s.strip.columns.size());
        for (std::size_t c = 0; c < spans.size(); ++c) {
            ASSERT_EQ(spans[c].x, c == 0 ? 0 : spans[c - 1].maxX() + s.config.gap) << i;
            ASSERT_GE(spans[c].width, StripLayout::minimumColumnWidth) << i;
            ASSERT_EQ(spans[c].width, std::round(spans[c].width)) << i;
        }
        const double hiddenTop = s.bounds.maxY() - s.config.peek;
        for (std::size_t c = 0; c < s.strip.columns.size(); ++c) {
            const Column& col = s.strip.columns[c];
            if (col.windows.empty()) continue;
            const Rect first = *frames.find(col.windows.front());
            const Rect last = *frames.find(col.windows.back());
            const double placedX = std::round(s.area.minX() + spans[c].x - s.scroll);
            SCOPED_TRACE(testing::Message() << "round " << i << " column " << c);
            ASSERT_EQ(first.width, spans[c].width);
            if (first.y == hiddenTop) {
                // Hidden below the display, on the side of a neighbouring display.
                ASSERT_TRUE(s.neighbourLeft || s.neighbourRight);
                ASSERT_TRUE(first.minX() == s.bounds.minX() || first.maxX() == s.bounds.maxX());
                continue;
            }
            ASSERT_EQ(first.y, s.area.minY());
            ASSERT_GE(last.maxY(), s.area.maxY());
            bool fits = true;
            for (WindowID w : col.windows)
                fits = fits && !s.minHeights.contains(w);
            if (fits) {
                // Only the rounding of the rows above can push the last row past the bottom.
                ASSERT_LE(last.maxY(), s.area.maxY() + 0.5 * col.windows.size());
            }
            if (first.x != placedX) {
                ASSERT_EQ(visibleWidth(first, s.bounds), s.config.peek);
            } else {
                // A column left in place reaches the screen (rounding may leave it touching
                // the edge), and never crosses onto a neighbouring display.
                ASSERT_GE(visibleWidth(first, s.bounds), 0);
                if (s.neighbourLeft) {
                    ASSERT_GE(first.minX(), s.bounds.minX());
                }
                if (s.neighbourRight) {
                    ASSERT_LE(first.maxX(), s.bounds.maxX());
                }
            }
        }
    }
}

TEST(StripLayoutProperties, EqualFractionsFillTheArea) {
    SceneMaker maker(test::seed("StripLayoutProperties.Fill"));
    for (int i = 0; i < rounds(); ++i) {
        const auto n = static_cast<std::size_t>(maker.integer(1, 8));
        const double gap = maker.real(0, 30);
        const double areaWidth = maker.real(static_cast<double>(n) * (80 + gap), 4000);
        Strip s;
        for (std::size_t c = 0; c < n; ++c)
            s.columns.emplace_back(std::vector<WindowID>{1}, 1.0 / n);
        const double content = StripLayout::contentWidth(StripLayout::spans(s, areaWidth, gap));
        ASSERT_NEAR(content, areaWidth, 0.5 * n + 1e-9) << "round " << i << " n " << n;
    }
}

// The scroll a reveal picks stays inside the content and settles; the nearest column to a scroll
// is the one under the centre of the area.
TEST(StripLayoutProperties, RevealAndNearestColumn) {
    SceneMaker maker(test::seed("StripLayoutProperties.Scroll"));
    for (int i = 0; i < rounds(); ++i) {
        Scene s = maker.make();
        const double areaWidth = s.area.width;
        const auto spans = StripLayout::spans(s.strip, areaWidth, s.config.gap);
        SCOPED_TRACE(testing::Message() << "round " << i);
        const auto nearest = StripLayout::nearestColumn(s.strip, s.scroll, areaWidth, s.config.gap);
        const double centre = s.scroll + areaWidth * 0.5;
        auto distance = [&](const StripLayout::Span& span) {
            return std::max({span.x - centre, centre - span.maxX(), 0.0});
        };
        ASSERT_GE(nearest, 0);
        ASSERT_LE(nearest, std::max<std::int64_t>(0, std::ssize(spans) - 1));
        for (std::size_t c = 0; c < spans.size(); ++c) {
            ASSERT_GE(distance(spans[c]), distance(spans[static_cast<std::size_t>(nearest)])) << c;
        }

        s.config.centerMode = maker.chance(0.5) ? CenterMode::never : CenterMode::onOverflow;
        const double maxScroll = std::max(StripLayout::contentWidth(spans) - areaWidth, 0.0);
        const double scroll = StripLayout::revealScroll(s.strip, areaWidth, s.config);
        ASSERT_GE(scroll, 0);
        ASSERT_LE(scroll, maxScroll);
        if (s.strip.isEmpty()) continue;
        // Revealing again from where the first reveal went must not move.
        Strip moved = s.strip;
        moved.scrollOffset = scroll;
        ASSERT_EQ(StripLayout::revealScroll(moved, areaWidth, s.config), scroll);
        const auto& focused = spans[static_cast<std::size_t>(s.strip.focusedColumn)];
        if (s.config.centerMode == CenterMode::never && focused.width <= areaWidth) {
            ASSERT_GE(focused.x, scroll);
            ASSERT_LE(focused.maxX(), scroll + areaWidth);
        }
    }
}

}  // namespace
}  // namespace tessarin
