// The X setup check: the desktop's files and settings read from a staged folder, and what the
// server says (the window manager's name, a compositor) read on a private Xvfb.
#include <gtest/gtest.h>

#include <map>

#include "backends/x11/x11_desktop.hpp"
#include "backends/x11/x11_setup_check.hpp"
#include "base/real_loop.hpp"
#include "support/temp_folder.hpp"
#include "x11/x_server.hpp"

namespace tessarin::x11 {
namespace {

namespace fs = std::filesystem;

struct Staged {
    test::TempFolder folder;
    const fs::path& root = folder.path();
    std::map<std::string, std::string> gsettings;  // key → what `gsettings get` prints
    std::vector<std::vector<std::string>> runs;

    void put(const fs::path& path, const std::string& text) {
        fs::create_directories((root / path.relative_path()).parent_path());
        test::writeText(root / path.relative_path(), text);
        fs::permissions(root / path.relative_path(), fs::perms::owner_exec, fs::perm_options::add);
    }
    SystemFiles files() {
        auto env = [](const std::string& name) -> std::optional<std::string> {
            if (name == "HOME") return "/home/u";
            if (name == "PATH") return "/opt/none:/usr/bin";
            return std::nullopt;
        };
        auto run = [this](const std::vector<std::string>& argv) -> std::optional<std::string> {
            runs.push_back(argv);
            auto found = argv.size() == 4 ? gsettings.find(argv[3]) : gsettings.end();
            return found == gsettings.end() ? std::nullopt : std::optional(found->second);
        };
        return {root, env, run};
    }
};

constexpr const char* kTouchegg = "/usr/share/touchegg/touchegg.conf";
constexpr const char* kUserTouchegg = "/home/u/.config/touchegg/touchegg.conf";
constexpr const char* kGestures = "/home/u/.config/libinput-gestures.conf";
constexpr const char* kFusuma = "/home/u/.config/fusuma/config.yml";
constexpr const char* kKwin = "/home/u/.config/kwinrc";
constexpr const char* kXfwm = "/home/u/.config/xfce4/xfconf/xfce-perchannel-xml/xfwm4.xml";
constexpr const char* kSystemXfwm = "/etc/xdg/xfce4/xfconf/xfce-perchannel-xml/xfwm4.xml";

std::string swipe(const char* fingers, const char* direction) {
    return std::string("<gesture type=\"SWIPE\" fingers=\"") + fingers + "\" direction=\"" +
           direction + "\"><action/></gesture>";
}
std::string xfwm(const char* value) {
    return std::string("<channel name=\"xfwm4\"><property name=\"general\" type=\"empty\">") +
           "<property name=\"tile_on_move\" type=\"bool\" value=\"" + value + "\"/></property>";
}

struct Case {
    const char* name;
    std::vector<std::pair<const char*, std::string>> files;
    std::vector<std::string> ids;
    std::string lastSource = "";
    std::string manager = "Openbox";
    int fingers = 3;
    std::size_t monitors = 1;
    bool gestures = true;
};

TEST(X11SetupRules, StagedFilesAndSettingsGiveTheirFindings) {
    const std::string fusuma3 = "swipe:\n  3:\n    left:\n      command: 'x'\npinch:\n  4:\n";
    const std::vector<Case> cases = {
        {"nothing", {}, {}},
        {"touchegg", {{kTouchegg, swipe("3", "LEFT")}}, {"swipe"}, kTouchegg},
        {"user touchegg wins",
         {{kTouchegg, swipe("3", "LEFT")}, {kUserTouchegg, swipe("4", "RIGHT")}},
         {}},
        {"touchegg up, commented",
         {{kTouchegg, swipe("3", "UP") + "<!--" + swipe("3", "LEFT") + "-->"}},
         {}},
        {"gestures off", {{kTouchegg, swipe("3", "LEFT")}}, {}, "", "Openbox", 3, 1, false},
        {"any count",
         {{kGestures, "gesture swipe left xdotool key super+Left\n"}},
         {"swipe"},
         kGestures,
         "Openbox",
         4},
        {"other count",
         {{kGestures, "#gesture swipe left 3 a\ngesture swipe right 4 b\ngesture swipe up 3 c\n"}},
         {}},
        {"fusuma", {{kFusuma, fusuma3}}, {"swipe"}, kFusuma},
        {"fusuma four", {{kFusuma, fusuma3}}, {}, "", "Openbox", 4},
        {"tiling manager", {}, {"wm"}, "_NET_SUPPORTING_WM_CHECK → _NET_WM_NAME", "i3"},
        {"kwin defaults",
         {},
         {"edge"},
         std::string(kKwin) + " [Windows] ElectricBorderMaximize, ElectricBorderTiling",
         "KWin"},
        {"kwin off",
         {{kKwin, "[Windows]\nElectricBorderMaximize=false\nElectricBorderTiling=false\n"}},
         {},
         "",
         "KWin"},
        {"kwin tiling",
         {{kKwin,
           "[Other]\nElectricBorderTiling=false\n[Windows]\nElectricBorderMaximize="
           "false\nElectricBorderTiling[$i]=true\n"}},
         {"edge"},
         "",
         "KWin"},
        {"xfwm4 default", {}, {"edge"}, "xfwm4's default for tile_on_move", "Xfwm4"},
        {"xfwm4 user off", {{kXfwm, xfwm("false")}, {kSystemXfwm, xfwm("true")}}, {}, "", "Xfwm4"},
        {"xfwm4 system on",
         {{kSystemXfwm, xfwm("true")}},
         {"edge"},
         std::string(kSystemXfwm) + " tile_on_move",
         "Xfwm4"},
        {"mutter",
         {{"/usr/bin/gsettings", ""}},
         {"edge"},
         "gsettings org.gnome.mutter edge-tiling",
         "GNOME Shell"},
        {"mutter two displays",
         {{"/usr/bin/gsettings", ""}},
         {"edge", "spaces"},
         "",
         "Mutter",
         3,
         2},
        {"no gsettings", {}, {}, "", "GNOME Shell", 3, 2},
        {"interpreted rival",
         {{"/proc/7/cmdline", std::string("python3\0/usr/bin/quicktile\0-d", 29)}},
         {"rivals"},
         "/proc/*/cmdline"},
        {"not a process",
         {{"/proc/self/cmdline", "stiler"}, {"/proc/8/cmdline", "stiler-like"}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Staged staged;
        for (const auto& [path, text] : c.files)
            staged.put(path, text);
        staged.gsettings = {{"edge-tiling", "true\n"}, {"workspaces-only-on-primary", "false\n"}};
        const DesktopFacts facts{c.manager, true, 0, c.monitors};
        const auto findings = x11Findings(facts, staged.files(), {c.gestures, c.fingers, {}});
        std::vector<std::string> ids;
        for (const SetupFinding& finding : findings)
            ids.push_back(finding.id);
        EXPECT_EQ(ids, c.ids);
        if (!c.lastSource.empty() && !findings.empty()) {
            EXPECT_EQ(findings.back().source, c.lastSource);
        }
        EXPECT_TRUE(!c.files.empty() || staged.runs.empty());  // no gsettings, no call
    }
}

TEST(X11SetupRules, FixesRunGsettingsOrChangeTheFingerCountAndProgramsAreRead) {
    Staged staged;
    staged.put("/usr/bin/gsettings", "");
    staged.put(kGestures, "gesture swipe left 4 a\n");
    staged.gsettings = {{"edge-tiling", "true"}, {"workspaces-only-on-primary", "false"}};
    std::vector<int> fingers;
    const auto findings = x11Findings({"GNOME Shell", true, 0, 2}, staged.files(),
                                      {true, 4, [&](int n) { fingers.push_back(n); }});
    ASSERT_EQ(findings.size(), 3u);
    staged.runs.clear();
    for (const SetupFinding& finding : findings)
        (*finding.fix)();
    EXPECT_EQ(fingers, std::vector<int>{3});
    EXPECT_EQ(staged.runs,
              (std::vector<std::vector<std::string>>{
                  {"gsettings", "set", "org.gnome.mutter", "edge-tiling", "false"},
                  {"gsettings", "set", "org.gnome.mutter", "workspaces-only-on-primary", "true"}}));
    const SystemFiles real = SystemFiles::real();
    EXPECT_EQ(real.run({"sh", "-c", "echo on"}), "on\n");
    EXPECT_EQ(real.run({"sh", "-c", "echo on; exit 3"}), std::nullopt);
}

// The manager's name and the compositor's selection, as the server has them.
TEST(X11SetupCheck, ReadsTheManagerAndTheCompositorFromTheServer) {
    for (auto manager : {test::XServer::Manager::openbox, test::XServer::Manager::none}) {
        test::XServer server(640, 480, manager);
        ASSERT_FALSE(server.display().empty()) << server.failure();
        RealLoop loop;
        std::string error;
        auto desktop = X11Desktop::open(server.display(), loop, error);
        ASSERT_TRUE(desktop) << error;
        Staged staged;
        X11SetupCheck check(*desktop, staged.files());
        xcb_connection_t* c = xcb_connect(server.display().c_str(), nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const xcb_window_t window = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        test::roundTrip(c);
        EXPECT_EQ(check.facts().windowManager, manager == test::XServer::Manager::openbox
                                                   ? std::optional<std::string>("Openbox")
                                                   : std::nullopt);
        auto ids = [&] {
            std::vector<std::string> result;
            for (const SetupFinding& finding : check.check({true, 3, {}}))
                result.push_back(finding.id);
            return result;
        };
        EXPECT_EQ(ids(), std::vector<std::string>{"compositor"});
        xcb_set_selection_owner(c, window, test::internAtom(c, "_NET_WM_CM_S0"), XCB_CURRENT_TIME);
        test::roundTrip(c);
        EXPECT_TRUE(ids().empty());
        if (manager == test::XServer::Manager::none) {
            // A tiling manager's check window; then one that no longer names itself.
            const xcb_atom_t checkAtom = test::internAtom(c, "_NET_SUPPORTING_WM_CHECK");
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, checkAtom, XCB_ATOM_WINDOW, 32, 1,
                                &window);
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, checkAtom, XCB_ATOM_WINDOW, 32, 1,
                                &window);
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, window,
                                test::internAtom(c, "_NET_WM_NAME"),
                                test::internAtom(c, "UTF8_STRING"), 8, 2, "i3");
            test::roundTrip(c);
            EXPECT_EQ(ids(), std::vector<std::string>{"wm"});
            xcb_delete_property(c, window, checkAtom);
            test::roundTrip(c);
            EXPECT_TRUE(ids().empty());
        }
        xcb_disconnect(c);
    }
}

}  // namespace
}  // namespace tessarin::x11
