#include "core/strip.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace tessarin {

namespace {

std::int64_t columnCount(const Strip& strip) {
    return static_cast<std::int64_t>(strip.columns.size());
}

bool isColumnIndex(const Strip& strip, std::int64_t index) {
    return index >= 0 && index < columnCount(strip);
}

Column* focusedColumnOf(Strip& strip) {
    if (!isColumnIndex(strip, strip.focusedColumn)) return nullptr;
    return &strip.columns[static_cast<std::size_t>(strip.focusedColumn)];
}

std::int64_t clampIndex(std::int64_t index, std::int64_t low, std::int64_t high) {
    return std::max(low, std::min(index, high));
}

void insertAt(Strip& strip, std::int64_t index, Column column) {
    strip.columns.insert(strip.columns.begin() + index, std::move(column));
}

// fmin/fmax rather than std::min/max: a NaN input lands on the upper bound instead of leaking
// into the model.
double clampRange(double value, double low, double high) {
    return std::fmax(std::fmin(value, high), low);
}

bool isSideways(Direction direction) {
    return direction == Direction::left || direction == Direction::right;
}

// The focused column and its active window, for the moves that only go sideways.
std::optional<std::pair<Column*, WindowID>> sidewaysSource(Strip& strip, Direction direction) {
    Column* column = focusedColumnOf(strip);
    if (!column || !isSideways(direction)) return std::nullopt;
    const std::optional<WindowID> window = column->activeWindow();
    if (!window) return std::nullopt;
    return std::pair{column, *window};
}

}  // namespace

Column::Column(std::vector<WindowID> windows, double widthFraction)
    : windows(std::move(windows)), widthFraction(widthFraction) {
    heightWeights.assign(this->windows.size(), 1.0);
}

std::optional<WindowID> Column::activeWindow() const {
    if (windows.empty()) return std::nullopt;
    if (activeRow >= 0 && activeRow < static_cast<std::int64_t>(windows.size())) {
        return windows[static_cast<std::size_t>(activeRow)];
    }
    return windows.front();
}

bool Column::remove(WindowID window) {
    auto found = std::find(windows.begin(), windows.end(), window);
    if (found == windows.end()) return false;
    removeRow(static_cast<std::size_t>(found - windows.begin()));
    return true;
}

void Column::removeRow(std::size_t row) {
    if (row >= windows.size()) return;
    windows.erase(windows.begin() + static_cast<std::ptrdiff_t>(row));
    if (row < heightWeights.size()) {
        heightWeights.erase(heightWeights.begin() + static_cast<std::ptrdiff_t>(row));
    }
    if (static_cast<std::int64_t>(row) < activeRow) --activeRow;
    activeRow = std::max<std::int64_t>(
        0, std::min(activeRow, static_cast<std::int64_t>(windows.size()) - 1));
}

Strip::Strip(std::vector<Column> columns) : columns(std::move(columns)) {}

std::vector<WindowID> Strip::windows() const {
    std::vector<WindowID> all;
    for (const Column& column : columns) {
        all.insert(all.end(), column.windows.begin(), column.windows.end());
    }
    return all;
}

std::optional<WindowID> Strip::focusedWindow() const {
    if (!isColumnIndex(*this, focusedColumn)) return std::nullopt;
    return columns[static_cast<std::size_t>(focusedColumn)].activeWindow();
}

std::optional<std::pair<std::size_t, std::size_t>> Strip::locate(WindowID window) const {
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const std::vector<WindowID>& rows = columns[c].windows;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (rows[r] == window) return std::pair{c, r};
        }
    }
    return std::nullopt;
}

bool Strip::focus(WindowID window) {
    auto location = locate(window);
    if (!location) return false;
    focusedColumn = static_cast<std::int64_t>(location->first);
    columns[location->first].activeRow = static_cast<std::int64_t>(location->second);
    return true;
}

void Strip::insertColumn(WindowID window, double widthFraction, std::optional<std::int64_t> at,
                         bool focus) {
    // A second copy of a window would get two frames and survive its own removal.
    if (contains(window)) return;
    const std::int64_t count = columnCount(*this);
    const std::int64_t fallback = isEmpty() ? 0 : std::min(focusedColumn, count - 1) + 1;
    const std::int64_t position = clampIndex(at.value_or(fallback), 0, count);
    insertAt(*this, position, Column({window}, widthFraction));
    if (focus || columns.size() == 1) {
        focusedColumn = position;
    } else if (focusedColumn >= position && focusedColumn < count) {
        ++focusedColumn;  // the same column keeps the focus
    }
}

bool Strip::remove(WindowID window) {
    auto location = locate(window);
    if (!location) return false;
    const std::size_t index = location->first;
    Column& column = columns[index];
    column.remove(window);
    if (column.windows.empty()) {
        columns.erase(columns.begin() + static_cast<std::ptrdiff_t>(index));
        if (focusedColumn >= static_cast<std::int64_t>(index)) --focusedColumn;
    }
    if (isEmpty() || focusedColumn < 0) {
        focusedColumn = 0;
    } else {
        focusedColumn = std::min(focusedColumn, columnCount(*this) - 1);
    }
    return true;
}

std::optional<WindowID> Strip::moveFocus(Direction direction) {
    Column* column = focusedColumnOf(*this);
    if (!column) return std::nullopt;
    const auto rows = static_cast<std::int64_t>(column->windows.size());
    switch (direction) {
        case Direction::left:
            if (focusedColumn == 0) return std::nullopt;
            --focusedColumn;
            break;
        case Direction::right:
            if (focusedColumn == columnCount(*this) - 1) return std::nullopt;
            ++focusedColumn;
            break;
        case Direction::up:
            if (column->activeRow < 1) return std::nullopt;
            --column->activeRow;
            break;
        case Direction::down:
            if (column->activeRow >= rows - 1) return std::nullopt;
            ++column->activeRow;
            break;
    }
    return focusedWindow();
}

std::optional<WindowID> Strip::focusColumn(std::int64_t index) {
    if (!isColumnIndex(*this, index)) return std::nullopt;
    focusedColumn = index;
    return focusedWindow();
}

bool Strip::moveFocused(Direction direction) {
    Column* column = focusedColumnOf(*this);
    if (!column) return false;
    if (isSideways(direction)) {
        const std::int64_t target = focusedColumn + (direction == Direction::left ? -1 : 1);
        if (!isColumnIndex(*this, target)) return false;
        std::swap(columns[static_cast<std::size_t>(focusedColumn)],
                  columns[static_cast<std::size_t>(target)]);
        focusedColumn = target;
        return true;
    }
    const std::int64_t target = column->activeRow + (direction == Direction::up ? -1 : 1);
    const auto rows = static_cast<std::int64_t>(column->windows.size());
    if (target < 0 || target >= rows || column->activeRow < 0 || column->activeRow >= rows) {
        return false;
    }
    const auto from = static_cast<std::size_t>(column->activeRow);
    const auto to = static_cast<std::size_t>(target);
    std::swap(column->windows[from], column->windows[to]);
    if (std::max(from, to) < column->heightWeights.size()) {
        std::swap(column->heightWeights[from], column->heightWeights[to]);
    }
    column->activeRow = target;
    return true;
}

bool Strip::moveFocusedColumn(std::int64_t to) {
    if (!focusedColumnOf(*this)) return false;
    const std::int64_t target = clampIndex(to, 0, columnCount(*this) - 1);
    if (target == focusedColumn) return false;
    Column moving = std::move(columns[static_cast<std::size_t>(focusedColumn)]);
    columns.erase(columns.begin() + focusedColumn);
    insertAt(*this, target, std::move(moving));
    focusedColumn = target;
    return true;
}

bool Strip::moveWindow(WindowID window, std::int64_t toColumn) {
    auto location = locate(window);
    if (!location) return false;
    Column& source = columns[location->first];
    if (source.windows.size() == 1) {
        // A move that goes nowhere must not shift the focus either: "no change" means unchanged.
        const std::int64_t previousFocus = focusedColumn;
        focusedColumn = static_cast<std::int64_t>(location->first);
        if (moveFocusedColumn(toColumn)) return true;
        focusedColumn = previousFocus;
        return false;
    }
    const double width = source.widthFraction;
    source.removeRow(location->second);
    const std::int64_t position = clampIndex(toColumn, 0, columnCount(*this));
    insertAt(*this, position, Column({window}, width));
    focusedColumn = position;
    return true;
}

bool Strip::stackFocused(Direction into) {
    const auto found = sidewaysSource(*this, into);
    if (!found) return false;
    const auto [source, window] = *found;
    std::int64_t target = focusedColumn + (into == Direction::left ? -1 : 1);
    if (!isColumnIndex(*this, target)) return false;

    source->remove(window);
    Column& merged = columns[static_cast<std::size_t>(target)];
    merged.windows.push_back(window);
    merged.heightWeights.push_back(1.0);
    merged.activeRow = static_cast<std::int64_t>(merged.windows.size()) - 1;
    if (source->windows.empty()) {
        columns.erase(columns.begin() + focusedColumn);
        if (focusedColumn < target) --target;
    }
    focusedColumn = target;
    return true;
}

bool Strip::popOutFocused(Direction to) {
    const auto found = sidewaysSource(*this, to);
    if (!found || found->first->windows.size() < 2) return false;
    const auto [source, window] = *found;

    const double width = source->widthFraction;
    source->remove(window);
    const std::int64_t position = focusedColumn + (to == Direction::left ? 0 : 1);
    insertAt(*this, position, Column({window}, width));
    focusedColumn = position;
    return true;
}

void Strip::cycleWidth(const std::vector<double>& presets, bool forward) {
    Column* column = focusedColumnOf(*this);
    if (!column || presets.empty()) return;
    if (column->savedFraction) {
        column->widthFraction = *column->savedFraction;
        column->savedFraction.reset();
        column->zoomed.reset();
        return;
    }
    // A NaN would break the ordering the search relies on.
    std::vector<double> sorted;
    std::copy_if(presets.begin(), presets.end(), std::back_inserter(sorted),
                 [](double p) { return !std::isnan(p); });
    if (sorted.empty()) return;
    std::stable_sort(sorted.begin(), sorted.end());

    // Within 0.01 of a preset counts as that preset, so rounding never repeats a step.
    const double current = column->widthFraction;
    double chosen;
    if (forward) {
        auto next = std::find_if(sorted.begin(), sorted.end(),
                                 [&](double p) { return p > current + 0.01; });
        chosen = next != sorted.end() ? *next : sorted.front();
    } else {
        auto next = std::find_if(sorted.rbegin(), sorted.rend(),
                                 [&](double p) { return p < current - 0.01; });
        chosen = next != sorted.rend() ? *next : sorted.back();
    }
    column->widthFraction = chosen;
    column->zoomed.reset();
}

void Strip::adjustWidth(double by) {
    Column* column = focusedColumnOf(*this);
    if (!column) return;
    column->widthFraction = clampFraction(column->widthFraction + by);
    column->savedFraction.reset();
    column->zoomed.reset();
}

double Strip::clampFraction(double fraction) {
    return clampRange(fraction, 0.1, 1.0);
}

void Strip::setWidth(WindowID of, double fraction) {
    auto location = locate(of);
    if (!location) return;
    Column& column = columns[location->first];
    column.widthFraction = clampFraction(fraction);
    column.savedFraction.reset();
    column.zoomed.reset();
}

void Strip::toggleZoom(WindowID of) {
    auto location = locate(of);
    if (!location) return;
    focusedColumn = static_cast<std::int64_t>(location->first);
    Column& column = columns[location->first];
    const double base = column.savedFraction.value_or(column.widthFraction);
    if (!column.isZoomed()) {
        // An existing saved width stays, so leaving zoom skips over full width.
        column.widthFraction = 1.0;
        column.savedFraction = base;
        column.zoomed = true;
    } else {
        column.widthFraction = base;
        column.savedFraction.reset();
        column.zoomed.reset();
    }
}

void Strip::toggleFullWidth() {
    Column* column = focusedColumnOf(*this);
    if (!column) return;
    if (!column->savedFraction) {
        column->savedFraction = column->widthFraction;
        column->widthFraction = 1.0;
    } else {
        column->widthFraction = *column->savedFraction;
        column->savedFraction.reset();
    }
    column->zoomed.reset();
}

void Strip::adjustHeight(double by) {
    Column* column = focusedColumnOf(*this);
    if (!column || column->windows.size() < 2) return;
    const std::int64_t row = column->activeRow;
    if (row < 0 || row >= static_cast<std::int64_t>(column->heightWeights.size())) return;
    double& weight = column->heightWeights[static_cast<std::size_t>(row)];
    weight = clampRange((1.0 + by) * weight, 0.2, 5.0);
}

void Strip::equalizeHeights() {
    Column* column = focusedColumnOf(*this);
    if (!column) return;
    column->heightWeights.assign(column->windows.size(), 1.0);
}

}  // namespace tessarin
