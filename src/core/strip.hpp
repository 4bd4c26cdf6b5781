#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "core/window_id.hpp"

namespace tessarin {

enum class Direction { left, right, up, down };

// One column of a strip: a single window or a vertical stack, top row first.
struct Column {
    std::vector<WindowID> windows;
    std::vector<double> heightWeights;
    double widthFraction = 1.0;
    std::optional<double> savedFraction;  // present exactly while full width or zoomed
    std::int64_t activeRow = 0;
    std::optional<bool> zoomed;

    Column() = default;
    Column(std::vector<WindowID> windows, double widthFraction);

    bool isFullWidth() const { return savedFraction.has_value(); }
    bool isZoomed() const { return zoomed.value_or(false); }
    std::optional<WindowID> activeWindow() const;

    // Removes the first row holding `window`; false when it is not in the column.
    bool remove(WindowID window);
    // Removes one row and its weight, keeping the same window active when it survives.
    void removeRow(std::size_t row);

    bool operator==(const Column&) const = default;
};

// One display's scrolling row of columns. Operations report whether they changed the strip and
// ignore impossible requests.
struct Strip {
    std::vector<Column> columns;
    std::int64_t focusedColumn = 0;
    double scrollOffset = 0;

    Strip() = default;
    explicit Strip(std::vector<Column> columns);

    bool isEmpty() const { return columns.empty(); }
    std::vector<WindowID> windows() const;
    std::optional<WindowID> focusedWindow() const;

    std::optional<std::pair<std::size_t, std::size_t>> locate(WindowID window) const;
    bool contains(WindowID window) const { return locate(window).has_value(); }

    bool focus(WindowID window);
    void insertColumn(WindowID window, double widthFraction, std::optional<std::int64_t> at,
                      bool focus);
    bool remove(WindowID window);
    std::optional<WindowID> moveFocus(Direction direction);
    std::optional<WindowID> focusColumn(std::int64_t index);
    bool moveFocused(Direction direction);
    bool moveFocusedColumn(std::int64_t to);
    bool moveWindow(WindowID window, std::int64_t toColumn);
    bool stackFocused(Direction into);
    bool popOutFocused(Direction to);
    void cycleWidth(const std::vector<double>& presets, bool forward);
    void adjustWidth(double by);
    static double clampFraction(double fraction);
    void setWidth(WindowID of, double fraction);
    void toggleZoom(WindowID of);
    void toggleFullWidth();
    void adjustHeight(double by);
    void equalizeHeights();

    bool operator==(const Strip&) const = default;
};

// Persisted form: the field names as keys; optional fields only when present.
nlohmann::json toJson(const Column& column);
nlohmann::json toJson(const Strip& strip);
std::optional<Column> columnFromJson(const nlohmann::json& json);
std::optional<Strip> stripFromJson(const nlohmann::json& json);

}  // namespace tessarin
