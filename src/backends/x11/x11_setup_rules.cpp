#include "backends/x11/x11_setup_rules.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <fstream>
#include <iterator>

extern char** environ;

namespace tessarin::x11 {

namespace {

constexpr std::size_t kMaxOutputBytes = 64 * 1024;
// A settings tool answers at once; one that does not is not waited for.
constexpr auto kProgramDeadline = std::chrono::seconds(2);

constexpr std::string_view kMutterSchema = "org.gnome.mutter";
constexpr std::string_view kSystemXfwm = "/etc/xdg/xfce4/xfconf/xfce-perchannel-xml/xfwm4.xml";

std::optional<std::string> runProgram(const std::vector<std::string>& argv) {
    if (argv.empty()) return std::nullopt;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (std::string& arg : args)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, args[0].c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return std::nullopt;
    }
    std::string output;
    bool late = false;
    const auto deadline = std::chrono::steady_clock::now() + kProgramDeadline;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{fds[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            late = true;
            break;
        }
        char buffer[4096];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        output.append(buffer, static_cast<std::size_t>(n));
        if (output.size() > kMaxOutputBytes) break;
    }
    close(fds[0]);
    if (late) kill(pid, SIGKILL);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || late) return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return output;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

bool digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        result.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return result;
}

std::optional<bool> boolWord(std::string_view word) {
    const std::string w = lower(trim(word));
    if (w == "true" || w == "1" || w == "yes" || w == "on") return true;
    if (w == "false" || w == "0" || w == "no" || w == "off") return false;
    return std::nullopt;
}

// Calls `visit` with the inside of every start tag named `name`; comments are skipped.
template <typename Visit>
void forEachElement(std::string_view text, std::string_view name, Visit&& visit) {
    std::size_t pos = 0;
    while ((pos = text.find('<', pos)) != std::string_view::npos) {
        if (text.substr(pos, 4) == "<!--") {
            pos = text.find("-->", pos + 4);
            if (pos == std::string_view::npos) return;
            continue;
        }
        const std::size_t end = text.find('>', pos);
        if (end == std::string_view::npos) return;
        const std::string_view tag = text.substr(pos + 1, end - pos - 1);
        if (tag.substr(0, name.size()) == name && tag.size() > name.size() &&
            (std::isspace(static_cast<unsigned char>(tag[name.size()])) ||
             tag[name.size()] == '/')) {
            visit(tag);
        }
        pos = end + 1;
    }
}

// An attribute's value inside a start tag, quoted with ' or ".
std::optional<std::string_view> attribute(std::string_view tag, std::string_view name) {
    for (std::size_t at = tag.find(name); at != std::string_view::npos;
         at = tag.find(name, at + 1)) {
        if (at == 0 || !std::isspace(static_cast<unsigned char>(tag[at - 1]))) continue;
        std::string_view rest = trim(tag.substr(at + name.size()));
        if (rest.empty() || rest.front() != '=') continue;
        rest = trim(rest.substr(1));
        if (rest.empty() || (rest.front() != '"' && rest.front() != '\'')) continue;
        const std::size_t close = rest.find(rest.front(), 1);
        if (close == std::string_view::npos) return std::nullopt;
        return rest.substr(1, close - 1);
    }
    return std::nullopt;
}

std::optional<bool> gsettingsBool(const SystemFiles& files, std::string_view key) {
    if (!files.run) return std::nullopt;
    auto output = files.run({"gsettings", "get", std::string(kMutterSchema), std::string(key)});
    return output ? boolWord(*output) : std::nullopt;
}

// A fix that sets one of mutter's keys with gsettings.
std::function<void()> gsettingsSet(const SystemFiles& files, std::string_view key, bool value) {
    auto run = files.run;
    std::vector<std::string> argv{"gsettings", "set", std::string(kMutterSchema), std::string(key),
                                  value ? "true" : "false"};
    return [run, argv] {
        if (run) run(argv);
    };
}

std::optional<SetupFinding> swipeFinding(const SystemFiles& files, const SetupContext& context) {
    const auto config = files.configHome();
    const int fingers = context.gestureFingers;
    struct Daemon {
        const char* name;
        std::vector<std::filesystem::path> files;  // the first one present is the one it reads
        bool (*swipes)(std::string_view, int);
    };
    std::vector<Daemon> daemons;
    if (config) {
        daemons = {
            {"Touchégg",
             {*config / "touchegg/touchegg.conf", "/usr/share/touchegg/touchegg.conf"},
             toucheggSwipes},
            {"libinput-gestures",
             {*config / "libinput-gestures.conf", "/etc/libinput-gestures.conf"},
             libinputGesturesSwipes},
            {"Fusuma", {*config / "fusuma/config.yml"}, fusumaSwipes},
        };
    }
    for (const Daemon& daemon : daemons) {
        for (const std::filesystem::path& path : daemon.files) {
            const auto text = files.read(path);
            if (!text) continue;
            if (!daemon.swipes(*text, fingers)) break;
            const int other = fingers == 3 ? 4 : 3;
            auto setFingers = context.setGestureFingers;
            return SetupFinding{
                "swipe",
                Severity::warning,
                std::to_string(fingers) + "-finger swipes also run " + daemon.name + " gestures",
                std::string(daemon.name) +
                    " acts on the same sideways swipe, so both would "
                    "happen at once. Give its swipe gestures another finger count in " +
                    path.string() + ", or switch Tessarin to " + std::to_string(other) +
                    " fingers in Gestures settings.",
                "Use " + std::to_string(other) + " fingers in Tessarin",
                [setFingers, other] {
                    if (setFingers) setFingers(other);
                },
                path.string()};
        }
    }
    return std::nullopt;
}

SetupFinding edgeFinding(std::string manager, std::string where, std::string source) {
    return {"edge",
            Severity::info,
            manager + " edge tiling is on",
            "Dragging a window to a screen edge makes " + manager +
                " tile it, which conflicts with drag-to-reorder. Consider turning it off in " +
                where + ".",
            std::nullopt,
            std::nullopt,
            std::move(source)};
}

}  // namespace

SystemFiles SystemFiles::real() {
    return {"/", Paths::systemEnvironment(), runProgram};
}

std::optional<std::string> SystemFiles::read(const std::filesystem::path& path,
                                             std::size_t maxBytes) const {
    std::ifstream in(root / path.relative_path(), std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(maxBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return std::nullopt;
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

std::optional<std::filesystem::path> SystemFiles::configHome() const {
    return Paths::base(environment, "XDG_CONFIG_HOME", ".config");
}

bool SystemFiles::onPath(const std::string& program) const {
    const auto path = environment ? environment("PATH") : std::nullopt;
    if (!path) return false;
    std::string_view rest = *path;
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::filesystem::path folder(std::string(rest.substr(0, colon)));
        if (folder.is_absolute()) {
            std::error_code error;
            const auto status =
                std::filesystem::status(root / folder.relative_path() / program, error);
            using std::filesystem::perms;
            if (!error && std::filesystem::is_regular_file(status) &&
                (status.permissions() &
                 (perms::owner_exec | perms::group_exec | perms::others_exec)) != perms::none) {
                return true;
            }
        }
        if (colon == std::string_view::npos) return false;
        rest.remove_prefix(colon + 1);
    }
}

std::set<std::string> SystemFiles::runningPrograms() const {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(root / "proc", error)) {
        const std::string pid = entry.path().filename().string();
        if (!digits(pid)) continue;
        const auto line = read(std::filesystem::path("/proc") / pid / "cmdline", 4096);
        if (!line) continue;
        std::string_view rest = *line;
        for (int i = 0; i < 2 && !rest.empty(); ++i) {
            const std::string_view argument = rest.substr(0, rest.find('\0'));
            const std::size_t slash = argument.rfind('/');
            if (!argument.empty()) names.emplace(argument.substr(slash + 1));
            rest.remove_prefix(std::min(rest.size(), argument.size() + 1));
        }
    }
    return names;
}

bool isTilingManager(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kTiling = {
        "i3",    "bspwm",    "awesome", "dwm",       "xmonad",  "herbstluftwm",
        "qtile", "spectrwm", "leftwm",  "ratpoison", "stumpwm", "notion"};
    const std::string key = lower(trim(name));
    return std::find(kTiling.begin(), kTiling.end(), key) != kTiling.end();
}

std::optional<bool> iniBool(std::string_view text, std::string_view group, std::string_view key) {
    bool inGroup = false;
    std::optional<bool> result;
    for (std::string_view line : lines(text)) {
        line = trim(line);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;
        if (line.front() == '[') {
            inGroup = line.size() == group.size() + 2 && line.substr(1, group.size()) == group &&
                      line.back() == ']';
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos) continue;
        // KDE marks keys with flags such as "[$i]" (immutable).
        std::string_view name = line.substr(0, equals);
        name = trim(name.substr(0, name.find('[')));
        if (name != key) continue;
        if (auto value = boolWord(line.substr(equals + 1))) result = value;
    }
    return result;
}

std::optional<bool> xfconfBool(std::string_view text, std::string_view property) {
    std::optional<bool> result;
    forEachElement(text, "property", [&](std::string_view tag) {
        if (attribute(tag, "name") != property) return;
        if (auto value = attribute(tag, "value")) result = boolWord(*value);
    });
    return result;
}

bool toucheggSwipes(std::string_view text, int fingers) {
    bool found = false;
    forEachElement(text, "gesture", [&](std::string_view tag) {
        const auto type = attribute(tag, "type");
        const auto count = attribute(tag, "fingers");
        const auto direction = attribute(tag, "direction");
        if (type && lower(*type) == "swipe" && count && trim(*count) == std::to_string(fingers) &&
            direction && (lower(*direction) == "left" || lower(*direction) == "right")) {
            found = true;
        }
    });
    return found;
}

bool libinputGesturesSwipes(std::string_view text, int fingers) {
    for (std::string_view line : lines(text)) {
        line = line.substr(0, line.find('#'));
        std::vector<std::string_view> words;
        while (!(line = trim(line)).empty()) {
            std::size_t end = 0;
            while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end])))
                ++end;
            words.push_back(line.substr(0, end));
            line.remove_prefix(end);
        }
        if (words.size() < 3 || words[0] != "gesture" || words[1] != "swipe") continue;
        if (words[2] != "left" && words[2] != "right") continue;
        // Without a finger count the gesture takes every count.
        if (words.size() < 4 || !digits(words[3]) || words[3] == std::to_string(fingers)) {
            return true;
        }
    }
    return false;
}

bool fusumaSwipes(std::string_view text, int fingers) {
    bool inSwipe = false;
    std::size_t countIndent = std::string_view::npos;  // none yet
    std::string count;
    for (std::string_view line : lines(text)) {
        line = line.substr(0, line.find('#'));
        if (trim(line).empty()) continue;
        const std::size_t indent = line.find_first_not_of(' ');
        std::string_view key = trim(line);
        const std::size_t colon = key.find(':');
        if (colon == std::string_view::npos) continue;
        key = trim(key.substr(0, colon));
        if (key.size() >= 2 && (key.front() == '\'' || key.front() == '"') &&
            key.back() == key.front()) {
            key = key.substr(1, key.size() - 2);
        }
        if (indent == 0) {
            inSwipe = key == "swipe";
            countIndent = std::string_view::npos;
            continue;
        }
        if (!inSwipe) continue;
        if (countIndent == std::string_view::npos || indent <= countIndent) {
            countIndent = indent;
            count = std::string(key);
            continue;
        }
        if (count == std::to_string(fingers) && (key == "left" || key == "right")) return true;
    }
    return false;
}

std::vector<SetupFinding> x11Findings(const DesktopFacts& facts, const SystemFiles& files,
                                      const SetupContext& context) {
    std::vector<SetupFinding> findings;
    if (context.gesturesEnabled) {
        if (auto finding = swipeFinding(files, context)) findings.push_back(std::move(*finding));
    }

    const std::string manager = facts.windowManager.value_or("");
    const std::string wmSource = "_NET_SUPPORTING_WM_CHECK → _NET_WM_NAME";
    if (isTilingManager(manager)) {
        findings.push_back(
            {"wm", Severity::warning, manager + " already tiles windows",
             "A tiling window manager places every window itself, so it and Tessarin would keep "
             "moving the same windows. Run Tessarin with a stacking window manager (such as "
             "Openbox, Xfwm4, KWin or Mutter) or with none.",
             std::nullopt, std::nullopt, wmSource});
    }

    // Tools that move or place other programs' windows beside a stacking manager.
    static constexpr std::array<std::string_view, 7> kRivalPrograms = {
        "devilspie", "devilspie2", "pytyle", "quicktile", "stiler", "x-tile", "xpytile"};
    std::set<std::string> rivals;
    for (const std::string& program : files.runningPrograms()) {
        if (std::find(kRivalPrograms.begin(), kRivalPrograms.end(), program) !=
            kRivalPrograms.end()) {
            rivals.insert(program);
        }
    }
    if (!rivals.empty()) {
        std::string names;
        for (const std::string& rival : rivals)
            names += (names.empty() ? "" : ", ") + rival;
        findings.push_back({"rivals", Severity::warning, "Other window tools are running: " + names,
                            "Two tools moving the same windows will fight each other. Quit them "
                            "(and remove them from your session's autostart) while using Tessarin.",
                            std::nullopt, std::nullopt, "/proc/*/cmdline"});
    }

    const std::string name = lower(manager);
    const bool mutter = (name == "gnome shell" || name == "mutter") && files.onPath("gsettings");
    const auto config = files.configHome();
    if (mutter) {
        if (gsettingsBool(files, "edge-tiling") == true) {
            SetupFinding finding =
                edgeFinding(manager, "Settings › Multitasking (“Active Screen Edges”)",
                            "gsettings org.gnome.mutter edge-tiling");
            finding.fixTitle = "Turn off edge tiling";
            finding.fix = gsettingsSet(files, "edge-tiling", false);
            findings.push_back(std::move(finding));
        }
    } else if (name == "kwin" && config) {
        // Both default to on: an absent file or key means the manager tiles.
        const auto path = *config / "kwinrc";
        const std::string text = files.read(path).value_or("");
        if (iniBool(text, "Windows", "ElectricBorderMaximize").value_or(true) ||
            iniBool(text, "Windows", "ElectricBorderTiling").value_or(true)) {
            findings.push_back(edgeFinding(
                manager,
                "System Settings › Screen Edges (maximize and tile windows dragged to "
                "an edge)",
                path.string() + " [Windows] ElectricBorderMaximize, ElectricBorderTiling"));
        }
    } else if (name == "xfwm4" && config) {
        // The user's channel wins over the system's; xfwm4 itself defaults to on.
        std::optional<bool> on;
        std::string source = "xfwm4's default for tile_on_move";
        for (const std::filesystem::path& path :
             {*config / "xfce4/xfconf/xfce-perchannel-xml/xfwm4.xml",
              std::filesystem::path(kSystemXfwm)}) {
            if (auto text = files.read(path); text && (on = xfconfBool(*text, "tile_on_move"))) {
                source = path.string() + " tile_on_move";
                break;
            }
        }
        if (on.value_or(true)) {
            findings.push_back(edgeFinding(
                manager, "Window Manager Tweaks › Accessibility (“Automatically tile windows”)",
                source));
        }
    }

    // X has one current desktop for the whole screen. With mutter's workspaces on every
    // display (workspaces-only-on-primary false), a switch swaps the windows of all displays
    // at once, as one Space spanning the displays does elsewhere: no display keeps a strip of
    // its own. With true, the other displays keep their windows through switches, like
    // separate Spaces, which is what one strip per display needs.
    if (mutter && facts.monitors >= 2 &&
        gsettingsBool(files, "workspaces-only-on-primary") == false) {
        findings.push_back({"spaces", Severity::warning, "Workspaces span every display",
                            "Switching workspaces then swaps the windows of all displays at once, "
                            "so a display cannot keep its own strip. Choose “Workspaces on "
                            "primary display only” in Settings › Multitasking.",
                            "Keep workspaces on the primary display",
                            gsettingsSet(files, "workspaces-only-on-primary", true),
                            "gsettings org.gnome.mutter workspaces-only-on-primary"});
    }

    if (!facts.compositor) {
        findings.push_back(
            {"compositor", Severity::info, "No compositor is running",
             "Without one, Tessarin's overlays (the overview and the focus border) lose their "
             "translucency and are drawn opaque. Start your desktop's compositor if you want "
             "them see-through.",
             std::nullopt, std::nullopt,
             "_NET_WM_CM_S" + std::to_string(facts.screen) + " selection owner"});
    }
    return findings;
}

}  // namespace tessarin::x11
