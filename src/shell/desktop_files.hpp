#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/paths.hpp"

namespace tessarin {

// `tessarin --install` and `--uninstall`: the menu entry that also handles tessarin:// links,
// the icon, and the handler's line in the user's mimeapps.list, all in the user's XDG folders.
// Uninstalling removes only what installing wrote; files and handlers of others stay.
struct DesktopFiles {
    static constexpr std::string_view scheme = "x-scheme-handler/tessarin";
    static constexpr std::string_view entryName = "tessarin.desktop";
    // The line that marks a menu entry as written by --install.
    static constexpr std::string_view markerLine = "X-Tessarin-Installed=true";

    struct Report {
        // One sentence per step taken, in order.
        std::vector<std::string> done;
        // Why the work stopped; none when it finished.
        std::optional<std::string> error;
    };

    // `executable` is the absolute path the entry starts (runningExecutable() gives it).
    static Report install(const Paths::Environment& env, const std::filesystem::path& executable);
    // Also removes the login item, when it is ours.
    static Report uninstall(const Paths::Environment& env);

    // The files, none without a home folder.
    static std::optional<std::filesystem::path> entryPath(const Paths::Environment& env);
    static std::optional<std::filesystem::path> iconPath(const Paths::Environment& env);
    static std::optional<std::filesystem::path> mimeAppsPath(const Paths::Environment& env);

    // mimeapps.list's text with the scheme's default handler set to our entry, and with our
    // line taken out (a handler another program set stays). Every other line is kept as it is.
    static std::string withHandler(std::string_view mimeApps);
    static std::string withoutHandler(std::string_view mimeApps);
};

// The command-line faces: each step on `out`, then "tessarin: " and the error if there is one.
// Exit status 0 when the work finished, 1 when it stopped.
int installDesktopFiles(const Paths::Environment& env, const std::filesystem::path& executable,
                        std::ostream& out);
int uninstallDesktopFiles(const Paths::Environment& env, std::ostream& out);

}  // namespace tessarin
