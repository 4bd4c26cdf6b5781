#include <cstdint>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "core/json_numbers.hpp"
#include "core/strip.hpp"

// Decoding is strict about shape and types (a missing key, a wrong type or a non-finite number
// fails the whole value) but repairs the structural invariants the operations index by: heights
// are padded with 1.0 or truncated to one per window, activeRow is clamped into its column, a
// window seen twice keeps only its first place, empty columns are dropped and focusedColumn is
// brought into range. Everything else is taken as stored.

namespace tessarin {

namespace {

using nlohmann::json;

const json* member(const json& object, const char* key) {
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// An absent key and an explicit null both mean "not present" for optional fields.
const json* optionalMember(const json& object, const char* key) {
    const json* value = member(object, key);
    return value && !value->is_null() ? value : nullptr;
}

std::optional<WindowID> windowID(const json& value) {
    return windowJsonNumber(&value);
}

template <typename T, typename Read>
std::optional<std::vector<T>> arrayOf(const json* value, Read read) {
    if (!value || !value->is_array()) return std::nullopt;
    std::vector<T> items;
    items.reserve(value->size());
    for (const json& element : *value) {
        std::optional<T> item = read(element);
        if (!item) return std::nullopt;
        items.push_back(*item);
    }
    return items;
}

void repairRows(Column& column) {
    column.heightWeights.resize(column.windows.size(), 1.0);
    const auto last = static_cast<std::int64_t>(column.windows.size()) - 1;
    column.activeRow = std::max<std::int64_t>(0, std::min(column.activeRow, last));
}

void repairStrip(Strip& strip) {
    std::unordered_set<WindowID> seen;
    for (Column& column : strip.columns) {
        std::size_t row = 0;
        while (row < column.windows.size()) {
            if (seen.insert(column.windows[row]).second) {
                ++row;
            } else {
                column.removeRow(row);
            }
        }
    }
    for (std::size_t index = strip.columns.size(); index-- > 0;) {
        if (!strip.columns[index].windows.empty()) continue;
        strip.columns.erase(strip.columns.begin() + static_cast<std::ptrdiff_t>(index));
        if (strip.focusedColumn > static_cast<std::int64_t>(index)) --strip.focusedColumn;
    }
    const auto last = static_cast<std::int64_t>(strip.columns.size()) - 1;
    strip.focusedColumn =
        strip.columns.empty() ? 0 : std::max<std::int64_t>(0, std::min(strip.focusedColumn, last));
}

}  // namespace

json toJson(const Column& column) {
    json object = {{"windows", column.windows},
                   {"heightWeights", column.heightWeights},
                   {"widthFraction", column.widthFraction},
                   {"activeRow", column.activeRow}};
    if (column.savedFraction) object["savedFraction"] = *column.savedFraction;
    if (column.zoomed) object["zoomed"] = *column.zoomed;
    return object;
}

json toJson(const Strip& strip) {
    json columns = json::array();
    for (const Column& column : strip.columns)
        columns.push_back(toJson(column));
    return {{"columns", std::move(columns)},
            {"focusedColumn", strip.focusedColumn},
            {"scrollOffset", strip.scrollOffset}};
}

std::optional<Column> columnFromJson(const json& object) {
    if (!object.is_object()) return std::nullopt;
    Column column;
    auto windows = arrayOf<WindowID>(member(object, "windows"), windowID);
    auto weights = arrayOf<double>(member(object, "heightWeights"),
                                   [](const json& value) { return finiteJsonNumber(&value); });
    auto width = finiteJsonNumber(member(object, "widthFraction"));
    auto activeRow = wholeJsonNumber(member(object, "activeRow"));
    if (!windows || !weights || !width || !activeRow) return std::nullopt;
    column.windows = std::move(*windows);
    column.heightWeights = std::move(*weights);
    column.widthFraction = *width;
    column.activeRow = *activeRow;

    if (const json* saved = optionalMember(object, "savedFraction")) {
        column.savedFraction = finiteJsonNumber(saved);
        if (!column.savedFraction) return std::nullopt;
    }
    if (const json* zoomed = optionalMember(object, "zoomed")) {
        if (!zoomed->is_boolean()) return std::nullopt;
        column.zoomed = zoomed->get<bool>();
    }
    repairRows(column);
    return column;
}

std::optional<Strip> stripFromJson(const json& object) {
    if (!object.is_object()) return std::nullopt;
    auto columns = arrayOf<Column>(member(object, "columns"), columnFromJson);
    auto focused = wholeJsonNumber(member(object, "focusedColumn"));
    auto scrollOffset = finiteJsonNumber(member(object, "scrollOffset"));
    if (!columns || !focused || !scrollOffset) return std::nullopt;
    Strip strip(std::move(*columns));
    strip.focusedColumn = *focused;
    strip.scrollOffset = *scrollOffset;
    repairStrip(strip);
    return strip;
}

}  // namespace tessarin
