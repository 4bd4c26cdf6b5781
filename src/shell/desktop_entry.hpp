#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tessarin {

// Pieces shared by the files Tessarin puts into the desktop's folders (the menu entry, the
// autostart entry): how a program is written on an Exec line, and how a file of ours is told
// apart from one the user or another program put under the same name.

// `argument` as one argument of a desktop entry's Exec key: quoted when it holds a reserved
// character, '%' doubled, and escaped again as the key's string value. None for a line break,
// which an entry cannot hold.
std::optional<std::string> execArgument(std::string_view argument);

// The absolute path of the running program; none when the system does not say.
std::optional<std::filesystem::path> runningExecutable();

// True when `file` is a regular file holding `markerLine` as one of its lines.
bool fileHasLine(const std::filesystem::path& file, std::string_view markerLine);

}  // namespace tessarin
