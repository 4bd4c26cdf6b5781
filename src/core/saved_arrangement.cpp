#include "core/saved_arrangement.hpp"

#include <cmath>

#include <nlohmann/json.hpp>

#include "core/json_numbers.hpp"

namespace tessarin {

namespace {

using nlohmann::json;

const json* member(const json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

std::optional<std::string> text(const json* value) {
    if (!value || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

}  // namespace

json toJson(const SavedWindow& window) {
    return json{{"id", window.id}, {"bundleID", window.bundleID}, {"title", window.title}};
}

std::optional<json> toJson(const SavedColumn& column) {
    if (!std::isfinite(column.widthFraction)) return std::nullopt;
    if (column.savedFraction && !std::isfinite(*column.savedFraction)) return std::nullopt;
    json windows = json::array();
    for (const auto& window : column.windows)
        windows.push_back(toJson(window));
    json weights = json::array();
    for (double weight : column.heightWeights) {
        if (!std::isfinite(weight)) return std::nullopt;
        weights.push_back(weight);
    }
    json result{{"windows", std::move(windows)},
                {"heightWeights", std::move(weights)},
                {"widthFraction", column.widthFraction}};
    if (column.savedFraction) result["savedFraction"] = *column.savedFraction;
    return result;
}

std::optional<json> toJson(const SavedArrangement& arrangement) {
    if (!std::isfinite(arrangement.savedAt)) return std::nullopt;
    json displays = json::object();
    for (const auto& [display, columns] : arrangement.displays) {
        json encoded = json::array();
        for (const auto& column : columns) {
            auto one = toJson(column);
            if (!one) return std::nullopt;
            encoded.push_back(std::move(*one));
        }
        displays[display] = std::move(encoded);
    }
    json names = json::object();
    for (const auto& [display, name] : arrangement.displayNames)
        names[display] = name;
    return json{{"displays", std::move(displays)},
                {"displayNames", std::move(names)},
                {"savedAt", arrangement.savedAt}};
}

std::optional<SavedWindow> savedWindowFromJson(const json& value) {
    if (!value.is_object()) return std::nullopt;
    auto id = windowJsonNumber(member(value, "id"));
    auto bundleID = text(member(value, "bundleID"));
    auto title = text(member(value, "title"));
    if (!id || !bundleID || !title) return std::nullopt;
    return SavedWindow{*id, std::move(*bundleID), std::move(*title)};
}

std::optional<SavedColumn> savedColumnFromJson(const json& value) {
    if (!value.is_object()) return std::nullopt;
    const json* windows = member(value, "windows");
    const json* weights = member(value, "heightWeights");
    auto widthFraction = finiteJsonNumber(member(value, "widthFraction"));
    if (!windows || !windows->is_array() || !weights || !weights->is_array() || !widthFraction) {
        return std::nullopt;
    }
    SavedColumn column;
    column.widthFraction = *widthFraction;
    if (const json* saved = member(value, "savedFraction"); saved && !saved->is_null()) {
        // An explicit null reads as absent, as an optional does; anything else must be a number.
        column.savedFraction = finiteJsonNumber(saved);
        if (!column.savedFraction) return std::nullopt;
    }
    column.windows.reserve(windows->size());
    for (const auto& item : *windows) {
        auto window = savedWindowFromJson(item);
        if (!window) return std::nullopt;
        column.windows.push_back(std::move(*window));
    }
    column.heightWeights.reserve(weights->size());
    for (const auto& item : *weights) {
        auto weight = finiteJsonNumber(&item);
        if (!weight) return std::nullopt;
        column.heightWeights.push_back(*weight);
    }
    return column;
}

std::optional<SavedArrangement> savedArrangementFromJson(const json& value) {
    if (!value.is_object()) return std::nullopt;
    const json* displays = member(value, "displays");
    const json* names = member(value, "displayNames");
    auto savedAt = finiteJsonNumber(member(value, "savedAt"));
    if (!displays || !displays->is_object() || !names || !names->is_object() || !savedAt) {
        return std::nullopt;
    }
    SavedArrangement arrangement;
    arrangement.savedAt = *savedAt;
    for (const auto& [display, encoded] : displays->items()) {
        if (!encoded.is_array()) return std::nullopt;
        std::vector<SavedColumn> columns;
        columns.reserve(encoded.size());
        for (const auto& item : encoded) {
            auto column = savedColumnFromJson(item);
            if (!column) return std::nullopt;
            columns.push_back(std::move(*column));
        }
        arrangement.displays.emplace(display, std::move(columns));
    }
    for (const auto& [display, name] : names->items()) {
        if (!name.is_string()) return std::nullopt;
        arrangement.displayNames.emplace(display, name.get<std::string>());
    }
    return arrangement;
}

}  // namespace tessarin
