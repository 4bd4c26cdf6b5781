#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/paths.hpp"
#include "platform/setup_check.hpp"

namespace tessarin::x11 {

// Where the X setup check reads the desktop's own files and settings: a root folder ("/" in
// the program, a staged folder in tests), the environment, and a way to run a settings tool
// (gsettings) and read what it prints. Nothing else touches the system.
struct SystemFiles {
    std::filesystem::path root = "/";
    Paths::Environment environment;
    // Runs a program (searched on $PATH) and returns what it printed when it exits with 0.
    std::function<std::optional<std::string>(const std::vector<std::string>& argv)> run;

    // The real system: "/", the process environment, programs run for at most two seconds.
    static SystemFiles real();

    // A file's text (at most `maxBytes`), `path` being absolute on the system; none when
    // unreadable.
    std::optional<std::string> read(const std::filesystem::path& path,
                                    std::size_t maxBytes = 1 << 20) const;
    // $XDG_CONFIG_HOME, else ~/.config.
    std::optional<std::filesystem::path> configHome() const;
    // Whether an executable of that name is in one of the $PATH folders.
    bool onPath(const std::string& program) const;
    // The names of the running programs: of each process in /proc the last part of its first
    // argument and, for programs run by an interpreter, of its second.
    std::set<std::string> runningPrograms() const;
};

// What the check read from the X server.
struct DesktopFacts {
    std::optional<std::string> windowManager;  // the manager's _NET_WM_NAME, when one runs
    bool compositor = false;                   // the _NET_WM_CM_S<screen> selection has an owner
    int screen = 0;
    std::size_t monitors = 1;
};

// The findings, in order: a desktop swipe gesture with Tessarin's finger count, a tiling window
// manager, other window tools running, the manager's own edge tiling, workspaces that span
// every display, no compositor.
std::vector<SetupFinding> x11Findings(const DesktopFacts& facts, const SystemFiles& files,
                                      const SetupContext& context);

// --- the readers, for tests

// Tiling window managers that run on X, by the name they give their check window.
bool isTilingManager(std::string_view name);
// A key of a KDE-style configuration file ("[Group]", "Key=value"): true or false; none when
// absent or neither.
std::optional<bool> iniBool(std::string_view text, std::string_view group, std::string_view key);
// An xfconf channel's boolean property (by its last name, e.g. "tile_on_move").
std::optional<bool> xfconfBool(std::string_view text, std::string_view property);
// Whether a gesture daemon's configuration binds a horizontal swipe of `fingers` fingers.
bool toucheggSwipes(std::string_view text, int fingers);
bool libinputGesturesSwipes(std::string_view text, int fingers);
bool fusumaSwipes(std::string_view text, int fingers);

}  // namespace tessarin::x11
