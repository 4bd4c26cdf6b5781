#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/geometry.hpp"
#include "core/window_id.hpp"

namespace tessarin {

// The engine's log lines print values the way its users have long read them.
namespace LogText {

std::string boolean(bool value);
// ["A", "B"]
std::string quotedList(const std::vector<std::string>& items);
// ["key": 3, "other": 1], or [:] when empty
std::string countMap(const std::vector<std::pair<std::string, std::size_t>>& entries);
// The first `count` characters of UTF-8 text: never part of a byte sequence, and a character
// keeps the combining marks that follow it.
std::string prefix(std::string_view text, std::size_t count);
// "<id> <bundle or ?> “<first 40 characters of the title>”"
std::string windowDescription(WindowID id, const std::optional<std::string>& bundleID,
                              std::string_view title);
// A number cut toward zero to whole points: 1440, -3. A value no 64-bit integer holds (it comes
// from other applications or a hand-edited file) is written as decimal() writes it.
std::string wholePoints(double value);
// x,y widthxheight in whole points, as in 0,25 720x875; a value no whole number can show (not
// finite, or beyond 64 bits) is written "?", so a broken frame never stops the line.
std::string wholeFrame(const Rect& frame);
// A number with at least one decimal place: 25.0, 0.5, 1440.25
std::string decimal(double value);
// Optional((x, y, width, height)) with decimals, or nil
std::string optionalFrame(const std::optional<Rect>& frame);
// An optional string, or nil
std::string optionalText(const std::optional<std::string>& text);

}  // namespace LogText

}  // namespace tessarin
