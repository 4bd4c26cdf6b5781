#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace tessarin {

// Deeper nesting than this is refused: no stored format of ours comes near it, and a hostile
// document must not exhaust the stack of the recursive writer and comparisons.
inline constexpr std::size_t maxJsonDepth = 128;

// Parses JSON text without throwing; none when it is malformed, holds a NUL byte or a number too
// large for a double, or nests deeper than maxJsonDepth. Every reader of stored JSON uses it.
std::optional<nlohmann::json> parseJsonText(std::string_view text);

// Whether `value` can be written as JSON text: every number finite, nesting within
// maxJsonDepth.
bool isEncodable(const nlohmann::json& value);

// JSON text of `value` without throwing; invalid UTF-8 in strings is replaced. `indent` < 0
// writes one line.
std::string jsonText(const nlohmann::json& value, int indent = -1);

}  // namespace tessarin
