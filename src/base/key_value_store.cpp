#include "base/key_value_store.hpp"

#include <cmath>
#include <limits>

namespace tessarin {

bool KeyValueStore::boolean(const std::string& key) const {
    auto value = object(key);
    if (!value) return false;
    if (value->is_boolean()) return value->get<bool>();
    if (value->is_number()) return value->get<double>() != 0;
    return false;
}

std::int64_t KeyValueStore::integer(const std::string& key) const {
    auto value = object(key);
    if (!value) return 0;
    if (value->is_boolean()) return value->get<bool>() ? 1 : 0;
    if (value->is_number_integer()) return value->get<std::int64_t>();
    if (value->is_number_float()) {
        double d = value->get<double>();
        // Out-of-range or non-finite numbers cannot be an integer setting.
        if (!std::isfinite(d) || d >= 9.2e18 || d <= -9.2e18) return 0;
        return static_cast<std::int64_t>(d);
    }
    return 0;
}

double KeyValueStore::number(const std::string& key) const {
    auto value = object(key);
    if (!value) return 0;
    if (value->is_boolean()) return value->get<bool>() ? 1 : 0;
    if (value->is_number()) {
        double d = value->get<double>();
        return std::isfinite(d) ? d : 0;
    }
    return 0;
}

std::string KeyValueStore::string(const std::string& key) const {
    auto value = object(key);
    if (value && value->is_string()) return value->get<std::string>();
    return {};
}

std::vector<std::string> KeyValueStore::stringArray(const std::string& key) const {
    auto value = object(key);
    std::vector<std::string> result;
    if (!value || !value->is_array()) return result;
    for (const auto& item : *value) {
        if (!item.is_string()) return {};
        result.push_back(item.get<std::string>());
    }
    return result;
}

}  // namespace tessarin
