// Operation sequences, random and exhaustive, checked step by step against the invariants and
// against what each operation may touch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/strip.hpp"
#include "support/seed.hpp"
#include "support/strip_invariants.hpp"

namespace tessarin {
namespace {

enum class Kind {
    focus,
    insertColumn,
    remove,
    moveFocus,
    focusColumn,
    moveFocused,
    moveFocusedColumn,
    moveWindow,
    stackFocused,
    popOutFocused,
    cycleWidth,
    adjustWidth,
    setWidth,
    toggleZoom,
    toggleFullWidth,
    adjustHeight,
    equalizeHeights
};

struct Operation {
    Kind kind = Kind::focus;
    WindowID window = 0;
    std::int64_t index = 0;
    std::optional<std::int64_t> at = std::nullopt;
    Direction direction = Direction::left;
    double value = 0;
    bool flag = false;
    std::vector<double> presets = {};
};

enum class Reported { changed, unchanged, nothing };

struct Outcome {
    Reported reported = Reported::nothing;
    std::optional<WindowID> window;
};

Outcome fromBool(bool changed) {
    return {changed ? Reported::changed : Reported::unchanged, {}};
}

Outcome fromWindow(std::optional<WindowID> window) {
    return {window ? Reported::changed : Reported::unchanged, window};
}

// Indexed by Kind. The void operations report nothing.
using S = Strip&;
using Op = const Operation&;
const struct {
    const char* name;
    Outcome (*apply)(Strip&, const Operation&);
} kinds[] = {
    {"focus", [](S s, Op op) { return fromBool(s.focus(op.window)); }},
    {"insertColumn",
     [](S s, Op op) { return s.insertColumn(op.window, op.value, op.at, op.flag), Outcome{}; }},
    {"remove", [](S s, Op op) { return fromBool(s.remove(op.window)); }},
    {"moveFocus", [](S s, Op op) { return fromWindow(s.moveFocus(op.direction)); }},
    {"focusColumn", [](S s, Op op) { return fromWindow(s.focusColumn(op.index)); }},
    {"moveFocused", [](S s, Op op) { return fromBool(s.moveFocused(op.direction)); }},
    {"moveFocusedColumn", [](S s, Op op) { return fromBool(s.moveFocusedColumn(op.index)); }},
    {"moveWindow", [](S s, Op op) { return fromBool(s.moveWindow(op.window, op.index)); }},
    {"stackFocused", [](S s, Op op) { return fromBool(s.stackFocused(op.direction)); }},
    {"popOutFocused", [](S s, Op op) { return fromBool(s.popOutFocused(op.direction)); }},
    {"cycleWidth", [](S s, Op op) { return s.cycleWidth(op.presets, op.flag), Outcome{}; }},
    {"adjustWidth", [](S s, Op op) { return s.adjustWidth(op.value), Outcome{}; }},
    {"setWidth", [](S s, Op op) { return s.setWidth(op.window, op.value), Outcome{}; }},
    {"toggleZoom", [](S s, Op op) { return s.toggleZoom(op.window), Outcome{}; }},
    {"toggleFullWidth", [](S s, Op) { return s.toggleFullWidth(), Outcome{}; }},
    {"adjustHeight", [](S s, Op op) { return s.adjustHeight(op.value), Outcome{}; }},
    {"equalizeHeights", [](S s, Op) { return s.equalizeHeights(), Outcome{}; }},
};
constexpr int kindCount = 17;
static_assert(std::size(kinds) == kindCount);

Outcome apply(Strip& strip, const Operation& op) {
    return kinds[static_cast<int>(op.kind)].apply(strip, op);
}

std::string describe(const Operation& op) {
    constexpr const char* directions[] = {"left", "right", "up", "down"};
    std::ostringstream out;
    out << kinds[static_cast<int>(op.kind)].name << "(window " << op.window << ", index "
        << op.index << ", at " << (op.at ? std::to_string(*op.at) : "none") << ", "
        << directions[static_cast<int>(op.direction)] << ", value " << op.value << ", flag "
        << op.flag << ", presets " << op.presets.size() << ")";
    return out.str();
}

std::string describe(const Strip& strip) {
    return toJson(strip).dump();
}

std::vector<WindowID> sortedWindows(const Strip& strip) {
    std::vector<WindowID> all = strip.windows();
    std::sort(all.begin(), all.end());
    return all;
}

// Width fractions in [0.1, 1.0], weights in [0.2, 5.0], and each column in one of the three
// width states. Holds for every strip built here, so every operation must keep it.
testing::AssertionResult rangesHold(const Strip& strip) {
    for (const Column& column : strip.columns) {
        if (!(column.widthFraction >= 0.1 && column.widthFraction <= 1.0)) {
            return testing::AssertionFailure() << "width " << column.widthFraction;
        }
        for (double weight : column.heightWeights) {
            if (!(weight >= 0.2 && weight <= 5.0)) {
                return testing::AssertionFailure() << "weight " << weight;
            }
        }
        if (column.savedFraction && column.widthFraction != 1.0) {
            return testing::AssertionFailure() << "full width at " << column.widthFraction;
        }
        if (column.isZoomed() && !column.savedFraction) {
            return testing::AssertionFailure() << "zoomed without a saved width";
        }
    }
    return testing::AssertionSuccess();
}

// The void operations that edit one column's widths or weights leave everything else alone.
testing::AssertionResult onlySizesChanged(const Strip& before, const Strip& after,
                                          std::int64_t target) {
    if (after.columns.size() != before.columns.size()) {
        return testing::AssertionFailure() << "column count changed";
    }
    for (std::size_t c = 0; c < before.columns.size(); ++c) {
        const Column& b = before.columns[c];
        const Column& a = after.columns[c];
        const bool same = static_cast<std::int64_t>(c) == target
                              ? a.windows == b.windows && a.activeRow == b.activeRow
                              : a == b;
        if (!same) return testing::AssertionFailure() << "column " << c << " changed";
    }
    return testing::AssertionSuccess();
}

bool isFocusedColumnOperation(Kind kind) {
    return kind == Kind::cycleWidth || kind == Kind::adjustWidth || kind == Kind::toggleFullWidth ||
           kind == Kind::adjustHeight || kind == Kind::equalizeHeights;
}

testing::AssertionResult voidStepHolds(const Strip& before, const Strip& after,
                                       const Operation& op) {
    if (op.kind == Kind::insertColumn) {
        if (before.contains(op.window)) {
            return after == before ? testing::AssertionSuccess()
                                   : testing::AssertionFailure() << "inserted a window twice";
        }
        std::vector<WindowID> expected = sortedWindows(before);
        expected.insert(std::upper_bound(expected.begin(), expected.end(), op.window), op.window);
        auto location = after.locate(op.window);
        if (sortedWindows(after) != expected || !location ||
            after.columns[location->first] != Column({op.window}, op.value)) {
            return testing::AssertionFailure() << "new column missing or wrong";
        }
        return testing::AssertionSuccess();
    }
    if (sortedWindows(after) != sortedWindows(before)) {
        return testing::AssertionFailure() << "windows changed";
    }
    std::int64_t target = before.focusedColumn;
    if (op.kind == Kind::setWidth || op.kind == Kind::toggleZoom) {
        auto location = before.locate(op.window);
        if (!location) {
            return after == before ? testing::AssertionSuccess()
                                   : testing::AssertionFailure() << "absent window changed strip";
        }
        target = static_cast<std::int64_t>(location->first);
    }
    const bool expectFocus = op.kind == Kind::toggleZoom
                                 ? after.focusedColumn == target
                                 : after.focusedColumn == before.focusedColumn;
    if (!expectFocus) return testing::AssertionFailure() << "focus moved wrongly";
    if (isFocusedColumnOperation(op.kind) && before.isEmpty() && after != before) {
        return testing::AssertionFailure() << "empty strip changed";
    }
    if (op.kind == Kind::cycleWidth && op.presets.empty() && after != before) {
        return testing::AssertionFailure() << "cycling without presets changed the strip";
    }
    if (op.kind == Kind::adjustHeight && !before.isEmpty() &&
        before.columns[static_cast<std::size_t>(target)].windows.size() < 2 && after != before) {
        return testing::AssertionFailure() << "height of a single window changed";
    }
    return before.isEmpty() ? testing::AssertionSuccess() : onlySizesChanged(before, after, target);
}

testing::AssertionResult stepHolds(const Strip& before, const Strip& after, const Operation& op,
                                   const Outcome& outcome) {
    if (auto invariants = test::stripInvariantsHold(after); !invariants) return invariants;
    if (auto ranges = rangesHold(after); !ranges) return ranges;
    if (after.scrollOffset != before.scrollOffset) {
        return testing::AssertionFailure() << "scroll offset changed";
    }
    if (outcome.reported == Reported::nothing) return voidStepHolds(before, after, op);
    if (outcome.reported == Reported::unchanged) {
        return after == before ? testing::AssertionSuccess()
                               : testing::AssertionFailure() << "no change reported";
    }
    if (outcome.window && outcome.window != after.focusedWindow()) {
        return testing::AssertionFailure() << "returned window is not the focused one";
    }
    std::vector<WindowID> expected = sortedWindows(before);
    if (op.kind == Kind::remove) {
        expected.erase(std::find(expected.begin(), expected.end(), op.window));
    }
    if (sortedWindows(after) != expected) {
        return testing::AssertionFailure() << "windows changed";
    }
    return testing::AssertionSuccess();
}

// ---- random strips and operations ----

class Generator {
  public:
    explicit Generator(std::uint64_t seed) : random_(seed) {}

    Strip strip() {
        std::vector<WindowID> pool = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        std::shuffle(pool.begin(), pool.end(), random_);
        std::size_t remaining = uniform(0, 8);
        std::size_t next = 0;
        Strip strip;
        while (remaining > 0) {
            const std::size_t rows = std::min<std::size_t>(remaining, uniform(1, 3));
            Column column({pool.begin() + static_cast<std::ptrdiff_t>(next),
                           pool.begin() + static_cast<std::ptrdiff_t>(next + rows)},
                          fraction());
            for (double& weight : column.heightWeights)
                weight = real(0.2, 5.0);
            column.activeRow = static_cast<std::int64_t>(uniform(0, rows - 1));
            // Normal, normal with a stored "not zoomed", full width, or zoomed.
            const std::size_t state = uniform(0, 3);
            if (state == 1) column.zoomed = false;
            if (state >= 2) column.savedFraction = fraction(), column.widthFraction = 1.0;
            if (state == 3) column.zoomed = true;
            strip.columns.push_back(std::move(column));
            next += rows;
            remaining -= rows;
        }
        if (!strip.isEmpty()) {
            strip.focusedColumn = static_cast<std::int64_t>(uniform(0, strip.columns.size() - 1));
        }
        strip.scrollOffset = real(-500, 500);
        return strip;
    }

    Operation operation() {
        Operation op{.kind = static_cast<Kind>(uniform(0, kindCount - 1))};
        op.window = static_cast<WindowID>(uniform(0, 13));
        op.index = index();
        if (uniform(0, 2) > 0) op.at = index();
        op.direction = static_cast<Direction>(uniform(0, 3));
        op.flag = uniform(0, 1) == 1;
        if (op.kind == Kind::insertColumn) op.value = fraction();
        if (op.kind == Kind::setWidth) op.value = uniform(0, 9) == 0 ? nan() : real(-1.0, 2.0);
        if (op.kind == Kind::adjustWidth || op.kind == Kind::adjustHeight) op.value = delta();
        constexpr double presets[] = {1.0 / 3, 0.5, 2.0 / 3, 0.25, 0.75, 1.0, 0.5};
        for (double preset : presets)
            if (uniform(0, 1)) op.presets.push_back(preset);
        std::shuffle(op.presets.begin(), op.presets.end(), random_);
        return op;
    }

  private:
    std::size_t uniform(std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high)(random_);
    }
    double real(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }
    double fraction() { return real(0.1, 1.0); }
    static double nan() { return std::numeric_limits<double>::quiet_NaN(); }

    std::int64_t index() {
        using limits = std::numeric_limits<std::int64_t>;
        const std::size_t pick = uniform(0, 9);
        if (pick < 2) return pick == 0 ? limits::min() : limits::max();
        return static_cast<std::int64_t>(uniform(0, 13)) - 3;
    }

    double delta() {
        constexpr double inf = std::numeric_limits<double>::infinity();
        const double fixed[] = {0.1, -0.1, 0.25, -0.2, nan(), inf, -inf, -3.0};
        if (uniform(0, 2) == 0) return real(-2.0, 2.0);
        return fixed[uniform(0, std::size(fixed) - 1)];
    }

    std::mt19937_64 random_;
};

std::string replay(Strip strip, const std::vector<Operation>& ops) {
    std::string text = describe(strip);
    for (const Operation& op : ops) {
        apply(strip, op);
        text += "\n  " + describe(op) + " -> " + describe(strip);
    }
    return text;
}

TEST(StripSequence, RandomOperationsKeepInvariants) {
    Generator generator(test::seed("StripSequence.RandomOperationsKeepInvariants"));
    const int sequences = test::longRun() ? 100000 : 3000;
    constexpr int steps = 16;
    for (int s = 0; s < sequences; ++s) {
        const Strip start = generator.strip();
        ASSERT_TRUE(test::stripInvariantsHold(start)) << describe(start);
        Strip strip = start;
        std::vector<Operation> done;
        for (int step = 0; step < steps; ++step) {
            done.push_back(generator.operation());
            const Strip before = strip;
            const Outcome outcome = apply(strip, done.back());
            ASSERT_TRUE(stepHolds(before, strip, done.back(), outcome))
                << "sequence " << s << ":\n  " << replay(start, done);
        }
    }
}

// ---- all sequences of three operations ----

std::vector<Operation> concreteOperations() {
    const std::vector<double> presets = {2.0 / 3, 1.0 / 3, 0.5};
    std::vector<Operation> ops = {
        {.kind = Kind::cycleWidth, .flag = true, .presets = presets},
        {.kind = Kind::cycleWidth, .flag = false, .presets = presets},
        {.kind = Kind::cycleWidth, .flag = true},
        {.kind = Kind::insertColumn, .window = 9, .value = 0.4, .flag = false},
        {.kind = Kind::insertColumn, .window = 10, .at = 0, .value = 0.6, .flag = true},
        {.kind = Kind::insertColumn, .window = 11, .at = -4, .value = 0.3, .flag = false},
        {.kind = Kind::insertColumn, .window = 2, .at = 1, .value = 0.5, .flag = true},
        {.kind = Kind::toggleFullWidth},
        {.kind = Kind::equalizeHeights}};
    // Pairs of window and index, or of window and size.
    auto add = [&](Kind kind, std::vector<std::pair<WindowID, double>> args) {
        for (auto [window, number] : args) {
            ops.push_back({.kind = kind, .window = window, .value = number});
            ops.back().index = static_cast<std::int64_t>(number);
        }
    };
    add(Kind::focus, {{3, 0}, {99, 0}});
    add(Kind::remove, {{1, 0}, {3, 0}, {5, 0}, {99, 0}});
    add(Kind::focusColumn, {{0, 0}, {0, 2}, {0, -1}, {0, 7}});
    add(Kind::moveFocusedColumn, {{0, 0}, {0, 99}, {0, -5}});
    add(Kind::moveWindow, {{3, 0}, {1, -5}, {5, 1}, {4, 99}, {99, 0}});
    add(Kind::toggleZoom, {{5, 0}, {3, 0}, {99, 0}});
    add(Kind::adjustWidth, {{0, 0.1}, {0, -0.1}});
    add(Kind::setWidth, {{2, 0.05}, {99, 0.5}});
    add(Kind::adjustHeight, {{0, 0.25}, {0, -0.2}});
    for (Direction d : {Direction::left, Direction::right, Direction::up, Direction::down}) {
        for (Kind kind :
             {Kind::moveFocus, Kind::moveFocused, Kind::stackFocused, Kind::popOutFocused}) {
            ops.push_back({.kind = kind, .direction = d});
        }
    }
    return ops;
}

std::vector<Strip> startingStrips() {
    Column stack({2, 3, 4}, 0.5);
    stack.heightWeights = {1.0, 2.0, 0.5};
    stack.activeRow = 1;
    Column wide({5}, 1.0);
    wide.savedFraction = 0.5;
    Strip three({Column({1}, 0.4), stack, wide});
    three.focusedColumn = 1;

    Column zoomed({6}, 1.0);
    zoomed.savedFraction = 0.3;
    zoomed.zoomed = true;
    Column pair({7, 8}, 2.0 / 3);
    pair.activeRow = 1;
    Strip two({zoomed, pair});

    return {Strip(), three, two};
}

// Depth first, so each prefix is applied once rather than once per sequence.
bool explore(const Strip& start, const Strip& strip, const std::vector<Operation>& ops, int depth,
             std::vector<Operation>& path) {
    if (depth == 0) return true;
    for (const Operation& op : ops) {
        Strip after = strip;
        const Outcome outcome = apply(after, op);
        path.push_back(op);
        if (auto result = stepHolds(strip, after, op, outcome); !result) {
            ADD_FAILURE() << result.message() << "\n  " << replay(start, path);
            return false;
        }
        if (!explore(start, after, ops, depth - 1, path)) return false;
        path.pop_back();
    }
    return true;
}

TEST(StripSequence, EveryThreeOperationSequenceKeepsInvariants) {
    const std::vector<Operation> ops = concreteOperations();
    for (const Strip& start : startingStrips()) {
        ASSERT_TRUE(test::stripInvariantsHold(start));
        ASSERT_TRUE(rangesHold(start));
        std::vector<Operation> path;
        ASSERT_TRUE(explore(start, start, ops, 3, path));
    }
}

}  // namespace
}  // namespace tessarin
