#include "shell/desktop_entry.hpp"

#include <fstream>

namespace tessarin {

namespace fs = std::filesystem;

std::optional<std::string> execArgument(std::string_view argument) {
    if (argument.find_first_of("\n\r") != std::string_view::npos) return std::nullopt;
    // The characters the desktop entry format reserves inside Exec arguments.
    const bool quoted = argument.find_first_of(" \t\"'\\><~|&;$*?#()`") != std::string_view::npos;
    std::string text;
    for (char c : argument) {
        if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\')) text += '\\';
        text += c;
        if (c == '%') text += '%';  // a single one would start a field code
    }
    if (quoted) text = '"' + text + '"';
    // The Exec value is itself a string value, where a backslash escapes.
    std::string value;
    for (char c : text) {
        value += c;
        if (c == '\\') value += '\\';
    }
    return value;
}

std::optional<fs::path> runningExecutable() {
    std::error_code error;
    fs::path path = fs::read_symlink("/proc/self/exe", error);
    if (error || !path.is_absolute()) return std::nullopt;
    // A program replaced on disk while it runs (an upgrade) reads "<path> (deleted)"; the
    // path itself names the new one.
    const std::string suffix = " (deleted)";
    const std::string text = path.string();
    if (!fs::exists(path, error) && text.ends_with(suffix))
        path = text.substr(0, text.size() - suffix.size());
    return path;
}

bool fileHasLine(const fs::path& file, std::string_view markerLine) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return false;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line == markerLine) return true;
    }
    return false;
}

}  // namespace tessarin
