#include "core/strip_layout.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>

namespace tessarin {

namespace {

// Calls visit(index, column, span) for every column, left to right.
template <class Visit>
void forEachSpan(const Strip& strip, double areaWidth, double gap, Visit&& visit) {
    double x = 0;
    for (std::size_t i = 0; i < strip.columns.size(); ++i) {
        const Column& column = strip.columns[i];
        const double w = StripLayout::width(column.widthFraction, areaWidth, gap);
        visit(i, column, StripLayout::Span{x, w});
        x += w + gap;
    }
}

struct FocusedSpan {
    StripLayout::Span span;
    double contentWidth = 0;
};

// The focused column's span and the content width in one walk; none for an invalid focus.
std::optional<FocusedSpan> focusedSpan(const Strip& strip, double areaWidth, double gap) {
    const auto focused = strip.focusedColumn;
    if (focused < 0 || static_cast<std::size_t>(focused) >= strip.columns.size()) {
        return std::nullopt;
    }
    FocusedSpan result;
    forEachSpan(strip, areaWidth, gap,
                [&](std::size_t i, const Column&, const StripLayout::Span& span) {
                    if (i == static_cast<std::size_t>(focused)) result.span = span;
                    result.contentWidth = span.maxX();
                });
    return result;
}

double contentWidthOf(const Strip& strip, double areaWidth, double gap) {
    double content = 0;
    forEachSpan(
        strip, areaWidth, gap,
        [&](std::size_t, const Column&, const StripLayout::Span& span) { content = span.maxX(); });
    return content;
}

double centreOn(const StripLayout::Span& span, double areaWidth) {
    return span.midX() - areaWidth * 0.5;
}

// Settles which rows are held at their minimum: each pass shares what the held rows leave among
// the free rows by weight and holds every free row that came out below its minimum. Each pass
// holds at least one more row or ends, so there are at most n + 1 passes.
void distributeRows(std::size_t n, const double* weights, const double* mins, double usable,
                    double* heights, bool* fixed) {
    std::fill(fixed, fixed + n, false);
    for (;;) {
        double fixedSum = 0;
        double freeWeight = 0;
        for (std::size_t r = 0; r < n; ++r) {
            if (fixed[r]) {
                fixedSum += mins[r];
            } else {
                freeWeight += weights[r];
            }
        }
        const double remaining = std::max(usable - fixedSum, 0.0);
        bool newlyFixed = false;
        for (std::size_t r = 0; r < n; ++r) {
            if (fixed[r]) {
                heights[r] = mins[r];
                continue;
            }
            heights[r] = freeWeight > 0 ? remaining * weights[r] / freeWeight : 0;
            if (heights[r] < mins[r]) {
                fixed[r] = true;
                newlyFixed = true;
            }
        }
        if (!newlyFixed) return;
    }
}

// Per-column working rows for the frame pass: on the stack for ordinary stacks, on the heap
// only for unusually tall ones.
class RowScratch {
  public:
    void prepare(std::size_t rows) {
        if (rows <= inlineRows) {
            weights = inlineWeights_.data();
            mins = inlineMins_.data();
            heights = inlineHeights_.data();
            fixed = inlineFixed_.data();
            return;
        }
        if (rows > heapRows_) {
            heapValues_ = std::make_unique<double[]>(rows * 3);
            heapFixed_ = std::make_unique<bool[]>(rows);
            heapRows_ = rows;
        }
        weights = heapValues_.get();
        mins = weights + rows;
        heights = mins + rows;
        fixed = heapFixed_.get();
    }

    double* weights = nullptr;
    double* mins = nullptr;
    double* heights = nullptr;
    bool* fixed = nullptr;

  private:
    static constexpr std::size_t inlineRows = 16;
    std::array<double, inlineRows> inlineWeights_{};
    std::array<double, inlineRows> inlineMins_{};
    std::array<double, inlineRows> inlineHeights_{};
    std::array<bool, inlineRows> inlineFixed_{};
    std::unique_ptr<double[]> heapValues_;
    std::unique_ptr<bool[]> heapFixed_;
    std::size_t heapRows_ = 0;
};

}  // namespace

double StripLayout::ScrollRange::clamped(double scroll) const {
    return std::max(lowerBound, std::min(scroll, upperBound));
}

double StripLayout::width(double fraction, double areaWidth, double gap) {
    return std::max(std::round(fraction * (areaWidth + gap) - gap), minimumColumnWidth);
}

std::vector<StripLayout::Span> StripLayout::spans(const Strip& strip, double areaWidth,
                                                  double gap) {
    std::vector<Span> result;
    result.reserve(strip.columns.size());
    forEachSpan(strip, areaWidth, gap,
                [&](std::size_t, const Column&, const Span& span) { result.push_back(span); });
    return result;
}

double StripLayout::contentWidth(std::span<const Span> spans) {
    return spans.empty() ? 0 : spans.back().maxX();
}

double StripLayout::revealScroll(const Strip& strip, double areaWidth, const LayoutConfig& config) {
    const auto focused = focusedSpan(strip, areaWidth, config.gap);
    if (!focused) return 0;
    const Span& span = focused->span;
    const double content = focused->contentWidth;
    const double maxScroll = std::max(content - areaWidth, 0.0);
    const double scroll = strip.scrollOffset;
    switch (config.centerMode) {
        case CenterMode::never: {
            double candidate = scroll;
            if (span.width > areaWidth || span.x < scroll) {
                // A column wider than the viewport shows its left edge; aligning its right edge
                // instead would hide the left one and the next reveal would flip back.
                candidate = span.x;
            } else if (scroll + areaWidth < span.maxX()) {
                candidate = span.maxX() - areaWidth;
            }
            return std::max(std::min(candidate, maxScroll), 0.0);
        }
        case CenterMode::onOverflow:
            if (content <= areaWidth) return 0;
            return std::max(std::min(centreOn(span, areaWidth), maxScroll), 0.0);
        case CenterMode::always:
            return centreOn(span, areaWidth);
    }
    return 0;
}

double StripLayout::centeredScroll(const Strip& strip, double areaWidth, double gap) {
    const auto focused = focusedSpan(strip, areaWidth, gap);
    return focused ? centreOn(focused->span, areaWidth) : 0;
}

std::int64_t StripLayout::nearestColumn(const Strip& strip, double scroll, double areaWidth,
                                        double gap) {
    const double centre = scroll + areaWidth * 0.5;
    std::size_t best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    bool contained = false;
    forEachSpan(strip, areaWidth, gap, [&](std::size_t i, const Column&, const Span& span) {
        if (contained) return;
        if (span.x <= centre && centre <= span.maxX()) {
            best = i;
            contained = true;
            return;
        }
        const double distance = span.x > centre ? span.x - centre : centre - span.maxX();
        if (distance < bestDistance) {  // strict: the leftmost wins a tie
            best = i;
            bestDistance = distance;
        }
    });
    return static_cast<std::int64_t>(best);
}

StripLayout::ScrollRange StripLayout::scrollBounds(const Strip& strip, double areaWidth,
                                                   double gap) {
    const double overscroll = areaWidth * overscrollShare;
    const double maxScroll = std::max(contentWidthOf(strip, areaWidth, gap) - areaWidth, 0.0);
    return {-overscroll, maxScroll + overscroll};
}

StripLayout::Frames StripLayout::frames(const Strip& strip, double scroll, const Rect& area,
                                        const Rect& bounds, const LayoutConfig& config,
                                        bool neighbourLeft, bool neighbourRight,
                                        const MinHeights& minHeights) {
    Frames result;
    frames(strip, scroll, area, bounds, config, neighbourLeft, neighbourRight, minHeights, result);
    return result;
}

void StripLayout::frames(const Strip& strip, double scroll, const Rect& area, const Rect& bounds,
                         const LayoutConfig& config, bool neighbourLeft, bool neighbourRight,
                         const MinHeights& minHeights, Frames& out) {
    const double gap = config.gap;
    const double peek = config.peek;
    const double hiddenTop = bounds.maxY() - peek;
    RowScratch rows;
    std::size_t windowCount = 0;
    for (const Column& column : strip.columns)
        windowCount += column.windows.size();
    out.reserve(windowCount);
    out.refill([&](auto add) {
        forEachSpan(
            strip, area.width, gap, [&](std::size_t, const Column& column, const Span& span) {
                const std::size_t n = column.windows.size();
                if (n == 0) return;
                const double w = span.width;
                double left = area.minX() + span.x - scroll;
                const bool offLeft =
                    neighbourLeft ? left < bounds.minX() : left + w <= bounds.minX();
                const bool offRight =
                    neighbourRight ? bounds.maxX() < left + w : bounds.maxX() <= left;
                bool hidden = false;  // parked below the bottom edge rather than beside the display
                if (offLeft) {
                    left = neighbourLeft ? bounds.minX() : bounds.minX() - w + peek;
                    hidden = neighbourLeft;
                } else if (offRight) {
                    left = neighbourRight ? bounds.maxX() - w : bounds.maxX() - peek;
                    hidden = neighbourRight;
                }

                rows.prepare(n);
                for (std::size_t r = 0; r < n; ++r) {
                    rows.weights[r] =
                        r < column.heightWeights.size() ? column.heightWeights[r] : 1.0;
                    rows.mins[r] = minHeights.valueOr(column.windows[r], 0.0);
                }
                const double usable = area.height - gap * static_cast<double>(n - 1);
                distributeRows(n, rows.weights, rows.mins, usable, rows.heights, rows.fixed);

                const double x = std::round(left);
                double y = area.minY();
                for (std::size_t r = 0; r < n; ++r) {
                    double h = std::round(rows.heights[r]);
                    // The last row reaches the bottom and absorbs the rounding of the rows above.
                    if (r + 1 == n) h = std::max(h, area.maxY() - y);
                    add(column.windows[r], Rect{x, hidden ? hiddenTop : y, w, h});
                    y += h + gap;
                }
            });
    });
}

std::vector<double> StripLayout::rowHeights(std::span<const double> weights,
                                            std::span<const double> mins, double usable) {
    const std::size_t n = weights.size();
    std::vector<double> paddedMins(mins.begin(), mins.begin() + std::min(mins.size(), n));
    paddedMins.resize(n, 0.0);
    std::vector<double> heights(n);
    std::unique_ptr<bool[]> fixed = std::make_unique<bool[]>(n);
    distributeRows(n, weights.data(), paddedMins.data(), usable, heights.data(), fixed.get());
    return heights;
}

bool StripLayout::stackFits(std::span<const double> mins, double areaHeight, double gap) {
    double total = 0;
    for (double m : mins)
        total += m;
    const double gaps = mins.empty() ? 0 : gap * static_cast<double>(mins.size() - 1);
    return total + gaps <= areaHeight + 0.5;
}

}  // namespace tessarin
