#pragma once

#include <cstdint>
#include <optional>

#include <nlohmann/json_fwd.hpp>

#include "core/window_id.hpp"

namespace tessarin {

// The number readers every decoder of stored JSON shares, so one document reads the same
// wherever it is decoded. Each takes a member that may be absent (null pointer).

// A finite number; none for anything else.
std::optional<double> finiteJsonNumber(const nlohmann::json* value);

// A whole number within the signed 64-bit range, written as an integer or as a whole float
// (3.0); fractions, out-of-range values and non-numbers are none.
std::optional<std::int64_t> wholeJsonNumber(const nlohmann::json* value);

// A window number: a whole number (as above) from 0 to the largest WindowID.
std::optional<WindowID> windowJsonNumber(const nlohmann::json* value);

}  // namespace tessarin
