#include "backends/sim/sim_setup_check.hpp"

#include <algorithm>
#include <array>
#include <set>
#include <string_view>
#include <utility>

namespace tessarin::sim {

namespace {

constexpr std::array<std::string_view, 2> kTrackpadDomains = {
    "com.apple.AppleMultitouchTrackpad", "com.apple.driver.AppleBluetoothMultitouch.trackpad"};
constexpr std::string_view kWindowManagerDomain = "com.apple.WindowManager";

constexpr std::string_view kAccessibilityURL =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";
constexpr std::string_view kTrackpadURL =
    "x-apple.systempreferences:com.apple.Trackpad-Settings.extension";
constexpr std::string_view kDesktopURL =
    "x-apple.systempreferences:com.apple.Desktop-Settings.extension";

// Tools that move windows, known by their bundle identifier, with the name the check shows.
constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kRivalBundles = {{
    {"com.knollsoft.Rectangle", "Rectangle"},
    {"com.knollsoft.Hookshot", "Hookshot"},
    {"com.crowdcafe.windowmagnet", "Magnet"},
    {"com.manytricks.Moom", "Moom"},
    {"com.hegenberg.BetterSnapTool", "BetterSnapTool"},
    {"com.amethyst.Amethyst", "Amethyst"},
    {"bobko.aerospace", "AeroSpace"},
    {"com.mizage.Divvy", "Divvy"},
    {"com.divisiblebyzero.Spectacle", "Spectacle"},
    {"com.lwouis.alt-tab-macos", "AltTab"},
}};

// Tools without a stable bundle identifier (scripts, builds of one's own), known by a part of
// their name. Case matters: "Loop" must not catch every "loop" in a name.
constexpr std::array<std::string_view, 10> kRivalNameParts = {
    "StripWM", "Paneru", "PaperWM",     "yabai",   "Loop",
    "Swish",   "Stash",  "Hammerspoon", "Phoenix", "Slate"};

// The settings as one check reads them: a copy taken under the sim's lock.
struct Snapshot {
    bool trusted = true;
    std::map<std::string, std::map<std::string, nlohmann::json>> preferences;
    std::vector<RunningApplication> apps;
    int majorVersion = 0;
    std::size_t screens = 0;

    // A number, or a boolean read as 0 or 1; none for anything else, absent included.
    std::optional<double> number(std::string_view domain, std::string_view key) const {
        auto d = preferences.find(std::string(domain));
        if (d == preferences.end()) return std::nullopt;
        auto k = d->second.find(std::string(key));
        if (k == d->second.end()) return std::nullopt;
        if (k->second.is_boolean()) return k->second.get<bool>() ? 1.0 : 0.0;
        if (k->second.is_number()) return k->second.get<double>();
        return std::nullopt;
    }
    bool on(std::string_view domain, std::string_view key) const {
        auto value = number(domain, key);
        return value && *value != 0;
    }
};

std::string joined(const std::set<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

}  // namespace

std::vector<SetupFinding> SimSetupCheck::check(const SetupContext& context) {
    Snapshot s;
    {
        std::lock_guard lock(core_->mutex());
        s.trusted = core_->trusted;
        s.preferences = core_->preferences;
        for (const auto& [pid, app] : core_->apps)
            s.apps.push_back(app.info);
        s.majorVersion = core_->systemMajorVersion;
        s.screens = core_->displays.size();
    }
    Accessibility& ax = accessibility_;
    Workspace& workspace = workspace_;
    auto open = [&workspace](std::string_view url) {
        return [&workspace, url] { workspace.openURL(std::string(url)); };
    };
    std::vector<SetupFinding> findings;

    if (!s.trusted) {
        findings.push_back(
            {"ax", Severity::blocking, "Accessibility permission is missing",
             "Tessarin needs it to move and resize other apps' windows. It reads nothing else.",
             "Open Settings",
             [&ax, &workspace] {
                 ax.isProcessTrustedWithPrompt();
                 workspace.openURL(std::string(kAccessibilityURL));
             },
             "AXIsProcessTrusted"});
    }

    const int fingers = context.gestureFingers;
    if (context.gesturesEnabled) {
        // The system's horizontal swipe between full-screen apps: 2 puts it on that finger
        // count. Left unset, it is on for four fingers and off for three.
        const std::string_view key = fingers == 3 ? "TrackpadThreeFingerHorizSwipeGesture"
                                                  : "TrackpadFourFingerHorizSwipeGesture";
        for (std::string_view domain : kTrackpadDomains) {
            const auto value = s.number(domain, key);
            if (!(value ? *value == 2 : fingers == 4)) continue;
            findings.push_back(
                {"swipe", Severity::warning,
                 std::to_string(fingers) + "-finger swipes also switch Spaces",
                 "macOS uses the same swipe to move between full-screen apps, so both would "
                 "happen at once. In Trackpad › More Gestures, set “Swipe between full-screen "
                 "applications” to the other finger count, or change it in Tessarin’s Gestures "
                 "settings.",
                 "Open Trackpad Settings", open(kTrackpadURL),
                 std::string(domain) + " " + std::string(key)});
            break;
        }
    }

    if (context.gesturesEnabled && fingers == 3) {
        for (std::string_view domain : kTrackpadDomains) {
            const auto value = s.number(domain, "TrackpadThreeFingerDrag");
            if (!value || *value != 1) continue;
            auto setFingers = context.setGestureFingers;
            findings.push_back(
                {"drag", Severity::warning, "Three Finger Drag is on",
                 "macOS turns every 3-finger movement into a mouse drag, so swiping the strip "
                 "also drags text or windows. Switch Tessarin to 4-finger swipes in Gestures "
                 "settings, or turn off Three Finger Drag in Accessibility › Pointer Control › "
                 "Trackpad Options.",
                 "Use 4 fingers in Tessarin",
                 [setFingers] {
                     if (setFingers) setFingers(4);
                 },
                 std::string(domain) + " TrackpadThreeFingerDrag"});
            break;
        }
    }

    std::set<std::string> rivals;
    for (const RunningApplication& app : s.apps) {
        for (const auto& [bundle, name] : kRivalBundles) {
            if (app.bundleID == bundle) rivals.emplace(name);
        }
    }
    for (const RunningApplication& app : s.apps) {
        const std::string name = app.localizedName.value_or("");
        for (std::string_view part : kRivalNameParts) {
            if (name.find(part) != std::string::npos) rivals.insert(name);
        }
    }
    if (!rivals.empty()) {
        findings.push_back({"rivals", Severity::warning,
                            "Other window tools are running: " + joined(rivals),
                            "Two tools moving the same windows will fight each other. Quit them "
                            "(and remove them from Login Items) while using Tessarin.",
                            std::nullopt, std::nullopt, "running applications"});
    }

    if (s.on(kWindowManagerDomain, "GloballyEnabled")) {
        findings.push_back({"stage", Severity::warning, "Stage Manager is on",
                            "Stage Manager rearranges windows by itself. Turn it off in Control "
                            "Center or Desktop & Dock.",
                            "Open Desktop & Dock", open(kDesktopURL),
                            "com.apple.WindowManager GloballyEnabled"});
    }

    // Edge tiling arrived with version 15 and is on until the user turns it off.
    const auto edge = s.number(kWindowManagerDomain, "EnableTilingByEdgeDrag");
    if ((!edge || *edge != 0) && s.majorVersion >= 15) {
        findings.push_back(
            {"edge", Severity::info, "macOS edge tiling is on",
             "Dragging a window to a screen edge makes macOS tile it, which conflicts with "
             "drag-to-reorder. Consider turning off “Drag windows to screen edges to tile” in "
             "Desktop & Dock.",
             "Open Desktop & Dock", open(kDesktopURL),
             "com.apple.WindowManager EnableTilingByEdgeDrag"});
    }

    if (s.screens >= 2 && s.on("com.apple.spaces", "spans-displays")) {
        findings.push_back({"spaces", Severity::warning, "“Displays have separate Spaces” is off",
                            "Every display gets its own strip only when this is on. Turn it on in "
                            "Desktop & Dock › Mission Control (needs a log out).",
                            "Open Desktop & Dock", open(kDesktopURL),
                            "com.apple.spaces spans-displays"});
    }
    return findings;
}

}  // namespace tessarin::sim
