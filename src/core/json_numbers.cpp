#include "core/json_numbers.hpp"

#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

namespace tessarin {

std::optional<double> finiteJsonNumber(const nlohmann::json* value) {
    if (!value || !value->is_number()) return std::nullopt;
    const double number = value->get<double>();
    if (!std::isfinite(number)) return std::nullopt;
    return number;
}

std::optional<std::int64_t> wholeJsonNumber(const nlohmann::json* value) {
    if (!value || !value->is_number()) return std::nullopt;
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(number);
    }
    if (value->is_number_integer()) return value->get<std::int64_t>();
    const double number = value->get<double>();
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (!std::isfinite(number) || std::trunc(number) != number || number < -limit ||
        number >= limit) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(number);
}

std::optional<WindowID> windowJsonNumber(const nlohmann::json* value) {
    const std::optional<std::int64_t> number = wholeJsonNumber(value);
    if (!number || *number < 0 || *number > std::numeric_limits<WindowID>::max()) {
        return std::nullopt;
    }
    return static_cast<WindowID>(*number);
}

}  // namespace tessarin
