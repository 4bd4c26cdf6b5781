// Until the engine lands, the executable lays out a sample strip on a 1440 × 900 display and
// prints the frames it would give each window at a few scroll positions.
#include <cmath>
#include <cstdio>

#include "core/strip_layout.hpp"

namespace {

using namespace tessarin;

constexpr Rect display{0, 0, 1440, 900};
constexpr double gap = 12;
const LayoutConfig config{gap, CenterMode::onOverflow, 8};

Strip sampleStrip() {
    Column stack({102, 103}, 0.5);
    stack.heightWeights = {1.0, 2.0};
    return Strip({Column({101}, 1.0 / 3), stack, Column({104}, 2.0 / 3), Column({105}, 0.5),
                  Column({106}, 1.0 / 3)});
}

const char* placement(const Rect& frame, double placedX) {
    if (frame.x == placedX) return "";
    if (frame.y == display.maxY() - config.peek) return "  hidden below (display alongside)";
    return frame.midX() < display.midX() ? "  parked at the left edge"
                                         : "  parked at the right edge";
}

void printLayout(Strip strip, std::int64_t focus, bool neighbourRight) {
    const Rect area = display.insetBy(gap);
    strip.focusedColumn = focus;
    strip.scrollOffset = StripLayout::revealScroll(strip, area.width, config);
    const auto frames = StripLayout::frames(strip, strip.scrollOffset, area, display, config, false,
                                            neighbourRight, {});
    const auto spans = StripLayout::spans(strip, area.width, gap);
    std::printf("focus column %lld, scroll %.1f%s\n", static_cast<long long>(focus),
                strip.scrollOffset, neighbourRight ? ", another display on the right" : "");
    for (std::size_t c = 0; c < strip.columns.size(); ++c) {
        const double placedX = std::round(area.minX() + spans[c].x - strip.scrollOffset);
        for (WindowID window : strip.columns[c].windows) {
            const Rect frame = *frames.find(window);
            std::printf("  column %zu  window %u  x %6.0f  y %4.0f  w %5.0f  h %4.0f%s\n", c,
                        window, frame.x, frame.y, frame.width, frame.height,
                        placement(frame, placedX));
        }
    }
    std::printf("\n");
}

}  // namespace

int main() {
    const Strip strip = sampleStrip();
    std::printf(
        "Tessarin layout preview: display 1440 x 900, gap 12, peek 8, centre on overflow\n\n");
    printLayout(strip, 0, false);
    printLayout(strip, 2, false);
    printLayout(strip, 4, false);
    printLayout(strip, 2, true);
    return 0;
}
