#include "settings/docking_store.hpp"

#include <vector>

#include <nlohmann/json.hpp>

#include "base/json_text.hpp"
#include "core/docking_plan.hpp"

namespace tessarin {

namespace {

using nlohmann::json;

std::optional<std::map<std::string, SavedArrangement>> decode(const std::string& text) {
    auto document = parseJsonText(text);
    if (!document || !document->is_object()) return std::nullopt;
    std::map<std::string, SavedArrangement> result;
    for (const auto& [key, value] : document->items()) {
        auto arrangement = savedArrangementFromJson(value);
        if (!arrangement) return std::nullopt;  // one damaged record fails the whole collection
        result.emplace(key, std::move(*arrangement));
    }
    return result;
}

}  // namespace

std::map<std::string, SavedArrangement> DockingStore::all() const {
    auto stored = store_.object(kKey);
    if (!stored || !stored->is_string()) return {};
    return decode(stored->get_ref<const std::string&>())
        .value_or(std::map<std::string, SavedArrangement>{});
}

std::optional<SavedArrangement> DockingStore::get(const std::string& setupKey) const {
    auto arrangements = all();
    auto it = arrangements.find(setupKey);
    if (it == arrangements.end()) return std::nullopt;
    return std::move(it->second);
}

bool DockingStore::write(const std::map<std::string, SavedArrangement>& arrangements) {
    json document = json::object();
    for (const auto& [key, arrangement] : arrangements) {
        auto encoded = toJson(arrangement);
        if (!encoded) return false;
        document[key] = std::move(*encoded);
    }
    // Titles come from other applications and may not be valid UTF-8; replacing the bad bytes
    // keeps the rest of the arrangement instead of losing the whole save.
    store_.set(kKey, document.dump(-1, ' ', false, json::error_handler_t::replace));
    return true;
}

std::string DockingStore::name(const SavedArrangement& of) {
    if (of.displayNames.empty()) return "Unknown setup";
    std::vector<std::string> names;
    names.reserve(of.displayNames.size());
    for (const auto& [display, name] : of.displayNames)
        names.push_back(name);
    return joinSorted(std::move(names), " + ");
}

}  // namespace tessarin
