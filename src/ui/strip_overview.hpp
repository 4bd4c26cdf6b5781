#pragma once

#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/geometry.hpp"
#include "engine/engine_hooks.hpp"

namespace tessarin {

// The overview's arithmetic, kept apart from the widget so it can be checked on numbers.
namespace overview {

inline constexpr double kTileHeight = 54;
inline constexpr double kMinTileWidth = 18;
inline constexpr double kPadding = 12;
inline constexpr double kMaxDisplayWidth = 130;  // the display's own part, drawn at most this wide
inline constexpr double kScreenShare = 0.8;      // the whole strip takes at most this of the screen
inline constexpr double kNoScreenWidth = 1152;   // stands in for 80 % of a screen when none exists
inline constexpr double kBottomMargin = 28;
inline constexpr int kMaxIcons = 3;

// Points on screen per strip point.
double scale(const std::vector<StripIndicatorModel::Column>& columns, double viewWidth,
             std::optional<double> mainScreenWidth);

struct Tile {
    std::int64_t index = 0;
    Rect frame;  // in the panel's coordinates
    Rect icons;  // the square of the first icon; the others follow below it, 2 apart
    int iconCount = 0;
    double iconSide = 0;
    bool focused = false;

    bool operator==(const Tile&) const = default;
};

struct Layout {
    double content = 0;  // the strip's width on screen
    double minX = 0;     // everything is shifted left by this (0 or less)
    double maxX = 0;
    Rect viewport;  // in the panel's coordinates
    std::vector<Tile> tiles;
    Size panel;  // with the padding

    bool operator==(const Layout&) const = default;
};

Layout layout(const StripIndicatorModel& model, double scale);
// The column whose tile holds `point` (panel coordinates), if any.
std::optional<std::int64_t> tileAt(const Layout& layout, Point point);

// Where a panel of `panel` size goes on a display's visible area: centred, above the bottom.
Point origin(const Rect& visible, const Size& panel);

// When the panel fades. Driven by ticks every 0.2 s while counting and by frames while fading;
// holds no clock of its own.
class Fade {
  public:
    static constexpr double kTick = 0.2;
    static constexpr double kIdle = 0.7;
    static constexpr double kStickyIdle = 2.0;
    static constexpr double kDuration = 0.35;
    static constexpr double kHoverMargin = 6;

    enum class Phase { hidden, counting, fading };
    enum class Step {
        none,        // nothing changes
        setOpacity,  // the fade goes on: apply `opacity`
        reappear,    // the pointer rests on the panel: opaque again, counting afresh
        hide,        // the fade is over: order the panel out
    };
    struct Result {
        Step step = Step::none;
        double opacity = 1;

        bool operator==(const Result&) const = default;
    };

    // The panel was shown or clicked: count the idle time from `now`.
    void schedule(double now, bool sticky);
    // The model was refreshed: the panel counts as used.
    void touch(double now) { lastActive_ = now; }
    void stop() { phase_ = Phase::hidden; }
    // `hover`: the pointer is within the panel grown by 6; `held`: a shortcut modifier is down;
    // `inside`: the pointer is within the panel itself (read at the fade's end).
    Result tick(double now, bool hover, bool held, bool inside);

    Phase phase() const { return phase_; }
    bool sticky() const { return sticky_; }

  private:
    Phase phase_ = Phase::hidden;
    bool sticky_ = false;
    double lastActive_ = 0;
    double fadeStart_ = 0;
};

}  // namespace overview

class OverviewView;

// The strip overview: a small dark panel near the bottom of a display with one tile per column.
// It never takes focus and never activates the program; clicking a tile focuses that column.
class OverviewPanel : public StripIndicator {
  public:
    // `select` focuses a column of a strip (WindowManager::focusColumn); `compositing` says
    // whether translucent windows blend (empty: assume they do).
    explicit OverviewPanel(std::function<void(std::int64_t index, const std::string& key)> select,
                           std::function<bool()> compositing = {});
    ~OverviewPanel() override;

    void show(const StripIndicatorModel& model, const Display& display, bool sticky) override;
    void update(const StripIndicatorModel& model) override;
    void hide() override;
    bool isVisible() const override;
    std::optional<std::string> shownKey() const override;

    // The panel, once shown (for tests and screenshots).
    QWidget* panel() const;
    const overview::Fade& fade() const { return fade_; }
    // One check of the fade with the pointer and modifiers given; the timer calls it with the
    // real ones and the monotonic clock.
    void tick(double now, QPoint pointer, bool modifiersHeld);

  private:
    void select(std::int64_t index);
    void scheduleHide();
    void onTimer();
    double now() const;

    std::function<void(std::int64_t, const std::string&)> select_;
    std::function<bool()> compositing_;
    OverviewView* view_ = nullptr;  // owned: a top-level widget
    QTimer timer_;
    overview::Fade fade_;
    std::string key_;
    std::chrono::steady_clock::time_point epoch_ = std::chrono::steady_clock::now();
};

}  // namespace tessarin
