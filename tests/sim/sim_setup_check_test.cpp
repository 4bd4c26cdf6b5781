#include <gtest/gtest.h>

#include <functional>

#include "backends/sim/sim_desktop.hpp"
#include "base/virtual_loop.hpp"

namespace tessarin::sim {
namespace {

constexpr const char* kPad = "com.apple.AppleMultitouchTrackpad";
constexpr const char* kBluetoothPad = "com.apple.driver.AppleBluetoothMultitouch.trackpad";
constexpr const char* kWM = "com.apple.WindowManager";
constexpr const char* kThree = "TrackpadThreeFingerHorizSwipeGesture";
constexpr const char* kFour = "TrackpadFourFingerHorizSwipeGesture";

// A staged preference; a null value removes the key.
struct Pref {
    const char* domain;
    const char* key;
    nlohmann::json value;
};

struct Case {
    const char* name;
    std::vector<Pref> prefs;
    std::vector<std::string> ids;
    std::string lastTitle = "";  // of the last finding, when worth pinning
    int fingers = 3;
    bool gestures = true;
    int version = 15;
    bool twoDisplays = false;
    std::vector<std::pair<const char*, const char*>> apps = {};  // bundle, name; null: none
};

TEST(SimSetupCheck, EachCheckReadsItsSettingsAsTheSystemDoes) {
    const char* drag = "TrackpadThreeFingerDrag";
    const char* edge = "EnableTilingByEdgeDrag";
    const nlohmann::json unset;
    const std::vector<Case> cases = {
        {"in order", {}, {}},
        {"gestures off", {{kPad, kThree, 2}, {kPad, drag, 1}}, {}, "", 3, false},
        {"four unset", {}, {"swipe"}, "4-finger swipes also switch Spaces", 4},
        {"three unset", {}, {}},
        {"three on", {{kPad, kThree, 2}}, {"swipe"}, "3-finger swipes also switch Spaces"},
        {"four off", {{kPad, kFour, 0}, {kBluetoothPad, kFour, 0}}, {}, "", 4},
        {"second pad", {{kPad, kThree, 0}, {kBluetoothPad, kThree, 2}}, {"swipe"}},
        {"text no number", {{kPad, kThree, "2"}}, {}},
        {"drag", {{kPad, drag, true}}, {"drag"}, "Three Finger Drag is on"},
        {"drag second pad", {{kBluetoothPad, drag, 1}}, {"drag"}},
        {"drag four", {{kPad, drag, 1}, {kPad, kFour, 0}, {kBluetoothPad, kFour, 0}}, {}, "", 4},
        {"stage", {{kWM, "GloballyEnabled", true}}, {"stage"}, "Stage Manager is on"},
        {"stage text", {{kWM, "GloballyEnabled", "1"}}, {}},
        {"edge unset", {{kWM, edge, unset}}, {"edge"}, "macOS edge tiling is on"},
        {"edge text", {{kWM, edge, "no"}}, {"edge"}},
        {"edge before 15", {{kWM, edge, unset}}, {}, "", 3, true, 14},
        {"span one display", {{"com.apple.spaces", "spans-displays", true}}, {}},
        {"span two displays",
         {{"com.apple.spaces", "spans-displays", 1}},
         {"spaces"},
         "“Displays have separate Spaces” is off",
         3,
         true,
         15,
         true},
        {"two Mooms",
         {},
         {"rivals"},
         "Other window tools are running: Moom",
         3,
         true,
         15,
         false,
         {{"com.manytricks.Moom", "Moom"}, {"com.manytricks.Moom", "Moom"}, {nullptr, "Moom"}}},
        {"sorted",
         {},
         {"rivals"},
         "Other window tools are running: AltTab, Loop Helper, yabai",
         3,
         true,
         15,
         false,
         {{nullptr, "yabai"},
          {nullptr, "Loop Helper"},
          {nullptr, nullptr},
          {nullptr, "loop"},
          {"com.lwouis.alt-tab-macos", "AltTab Beta"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualLoop caseLoop;
        SimDesktop d{caseLoop};
        d.plugDisplay(makeDisplay("A", {0, 0, 1440, 900}));
        if (c.twoDisplays) d.plugDisplay(makeDisplay("B", {1440, 0, 1440, 900}));
        d.setSystemMajorVersion(c.version);
        d.setSystemPreference(kWM, edge, false);
        for (const Pref& p : c.prefs) {
            if (p.value.is_null())
                d.removeSystemPreference(p.domain, p.key);
            else
                d.setSystemPreference(p.domain, p.key, p.value);
        }
        auto text = [](const char* t) { return t ? std::optional<std::string>(t) : std::nullopt; };
        for (auto [bundle, name] : c.apps)
            d.launch(makeApp(text(bundle), text(name)));
        const auto findings = d.setupCheck().check({c.gestures, c.fingers, {}});
        std::vector<std::string> ids;
        for (const SetupFinding& finding : findings)
            ids.push_back(finding.id);
        EXPECT_EQ(ids, c.ids);
        if (!c.lastTitle.empty()) {
            ASSERT_FALSE(findings.empty());
            EXPECT_EQ(findings.back().title, c.lastTitle);
        }
    }
}

// Everything at once: the order, the severities, and what each fix does.
TEST(SimSetupCheck, AllFindingsComeInOrderAndTheirFixesAct) {
    VirtualLoop loop;
    SimDesktop desktop{loop};
    desktop.plugDisplay(makeDisplay("A", {0, 0, 1440, 900}));
    std::vector<int> fingerChanges;
    auto check = [&] {
        return desktop.setupCheck().check({true, 3, [&](int n) { fingerChanges.push_back(n); }});
    };
    desktop.setTrusted(false);
    desktop.setSystemPreference(kBluetoothPad, kThree, 2);
    desktop.setSystemPreference(kPad, "TrackpadThreeFingerDrag", 1);
    desktop.launch(makeApp("com.knollsoft.Rectangle", "Rectangle"));
    desktop.setSystemPreference(kWM, "GloballyEnabled", 1);
    desktop.removeSystemPreference(kWM, "EnableTilingByEdgeDrag");
    desktop.setSystemPreference("com.apple.spaces", "spans-displays", true);
    desktop.plugDisplay(makeDisplay("B", {1440, 0, 1440, 900}));
    const std::string settings = "x-apple.systempreferences:com.apple.";
    const std::string desk = settings + "Desktop-Settings.extension";
    struct Expected {
        const char* id;
        Severity severity;
        std::optional<std::string> fixTitle;
        std::string url;  // empty: the fix opens nothing
        std::string source;
    };
    const std::vector<Expected> expected = {
        {"ax", Severity::blocking, "Open Settings",
         settings + "preference.security?Privacy_Accessibility", "AXIsProcessTrusted"},
        {"swipe", Severity::warning, "Open Trackpad Settings",
         settings + "Trackpad-Settings.extension", std::string(kBluetoothPad) + " " + kThree},
        {"drag", Severity::warning, "Use 4 fingers in Tessarin", "",
         std::string(kPad) + " TrackpadThreeFingerDrag"},
        {"rivals", Severity::warning, std::nullopt, "", "running applications"},
        {"stage", Severity::warning, "Open Desktop & Dock", desk,
         std::string(kWM) + " GloballyEnabled"},
        {"edge", Severity::info, "Open Desktop & Dock", desk,
         std::string(kWM) + " EnableTilingByEdgeDrag"},
        {"spaces", Severity::warning, "Open Desktop & Dock", desk,
         "com.apple.spaces spans-displays"},
    };
    const auto findings = check();
    ASSERT_EQ(findings.size(), expected.size());
    for (std::size_t i = 0; i < findings.size(); ++i) {
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(findings[i].id, expected[i].id);
        EXPECT_EQ(findings[i].severity, expected[i].severity);
        EXPECT_EQ(findings[i].fixTitle, expected[i].fixTitle);
        EXPECT_EQ(findings[i].source, expected[i].source);
        ASSERT_EQ(findings[i].fix.has_value(), expected[i].fixTitle.has_value());
        const auto before = desktop.openedURLs();
        if (findings[i].fix) (*findings[i].fix)();
        const auto after = desktop.openedURLs();
        EXPECT_EQ(after.size(), before.size() + !expected[i].url.empty());
        if (!expected[i].url.empty()) {
            EXPECT_EQ(after.back(), expected[i].url);
        }
    }
    EXPECT_EQ(desktop.trustPrompts(), 1);
    EXPECT_EQ(fingerChanges, std::vector<int>{4});
    // Nothing is kept between calls: a fixed setting is gone from the next list.
    desktop.setTrusted(true);
    EXPECT_EQ(check().front().id, "swipe");
}

}  // namespace
}  // namespace tessarin::sim
