#include "base/memory_store.hpp"

namespace tessarin {

std::optional<nlohmann::json> MemoryStore::object(const std::string& key) const {
    if (auto it = values_.find(key); it != values_.end()) return it->second;
    if (auto it = defaults_.find(key); it != defaults_.end()) return it->second;
    return std::nullopt;
}

void MemoryStore::set(const std::string& key, nlohmann::json value) {
    if (value.is_null()) {
        values_.erase(key);
        return;
    }
    values_[key] = std::move(value);
}

void MemoryStore::remove(const std::string& key) {
    values_.erase(key);
}

void MemoryStore::registerDefaults(const nlohmann::json& defaults) {
    if (!defaults.is_object()) return;
    for (const auto& [key, value] : defaults.items())
        defaults_[key] = value;
}

bool MemoryStore::hasStoredValue(const std::string& key) const {
    return values_.count(key) != 0;
}

std::vector<std::string> MemoryStore::storedKeys() const {
    std::vector<std::string> keys;
    for (const auto& [key, value] : values_)
        keys.push_back(key);
    return keys;
}

}  // namespace tessarin
