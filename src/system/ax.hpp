#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/geometry.hpp"
#include "platform/accessibility.hpp"

namespace tessarin {

// Typed attribute readers. Each returns absent (or an empty list) on any error code, on a
// missing value, or on a value of the wrong kind, and none of them logs: callers treat absent as
// "unknown", never as zero.
namespace AX {

std::optional<AXElement> element(Accessibility& ax, const AXElement& of,
                                 std::string_view attribute);
std::vector<AXElement> elements(Accessibility& ax, const AXElement& of, std::string_view attribute);
std::optional<std::string> string(Accessibility& ax, const AXElement& of,
                                  std::string_view attribute);
// A number's truth value; named so because `bool` is taken.
std::optional<bool> boolean(Accessibility& ax, const AXElement& of, std::string_view attribute);
// "AXPosition" as a point.
std::optional<Point> position(Accessibility& ax, const AXElement& of);
// "AXSize" as a size.
std::optional<Size> size(Accessibility& ax, const AXElement& of);

}  // namespace AX

}  // namespace tessarin
