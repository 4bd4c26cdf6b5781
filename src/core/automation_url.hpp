#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessarin {

// The command a `tessarin://` URL names: its host ("tessarin://focusRight/x" names
// "focusRight"), else the first path component after the root ("tessarin:///focusRight").
// Absent when the text is not a valid URL (RFC 3986 characters, a scheme, well-formed percent
// escapes) or names nothing ("tessarin:focusRight", "tessarin:///"). Percent escapes are
// decoded; the scheme is not examined. URLs come from anyone on the desktop: this never
// fails, whatever the bytes.
std::optional<std::string> automationCommand(std::string_view url);

}  // namespace tessarin
