// The tessarin program on a private Xvfb, with openbox and without a window manager: real
// xterms, commands through `tessarin msg`, monitors added and removed with xrandr.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/shape.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "app/ipc.hpp"
#include "core/strip_layout.hpp"
#include "support/temp_folder.hpp"
#include "x11/x_server.hpp"

namespace tessarin::test {
namespace {

using nlohmann::json;
using Manager = XServer::Manager;

Rect rectOf(const json& r) {
    return {r["x"].get<double>(), r["y"].get<double>(), r["width"].get<double>(),
            r["height"].get<double>()};
}

class Tessarin : public ::testing::TestWithParam<Manager> {
  protected:
    void SetUp() override {
        ASSERT_FALSE(server_.display().empty()) << server_.failure();
        std::filesystem::create_directories(home_.path() / "config/tessarin");
        // Frames land at once: the check below is "the final geometry", not an animation.
        writeText(home_.path() / "config/tessarin/com.tessarin.json", settings_);
        // The former product's settings: carried over at the first start only.
        writeText(home_.path() / "config/tessarin/app.quillon.mac.json",
                  R"({"animate": true, "quillonOnly": 7})");
        std::filesystem::create_directory(home_.path() / "run");
        std::filesystem::permissions(home_.path() / "run", std::filesystem::perms::owner_all);
        env_ = {"XDG_RUNTIME_DIR=" + (home_.path() / "run").string(),
                "XDG_CONFIG_HOME=" + (home_.path() / "config").string(),
                "XDG_STATE_HOME=" + (home_.path() / "state").string()};
        watch_ = xcb_connect(server_.display().c_str(), nullptr);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(watch_)).data->root;
        const std::uint32_t events =
            XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(watch_, root_, XCB_CW_EVENT_MASK, &events);
        const auto folder = home_.path() / "run/tessarin";
        std::filesystem::create_directory(folder);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        socket_ = folder / (displayKey(server_.display()) + ".sock");
        const int watch = inotify_init1(IN_CLOEXEC);
        inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO);
        tessarin_ = server_.spawn({TESSARIN_BINARY}, env_);
        // Ready when its socket appears.
        pollfd fd{watch, POLLIN, 0};
        while (!std::filesystem::exists(socket_) &&
               poll(&fd, 1, static_cast<int>(XServer::kDeadline * 1000)) > 0) {
            char buffer[4096];
            [[maybe_unused]] auto n = read(watch, buffer, sizeof buffer);
        }
        close(watch);
        ASSERT_TRUE(std::filesystem::exists(socket_)) << "tessarin did not start";
    }
    void TearDown() override {
        for (pid_t pid : xterms_)
            XServer::end(pid);
        XServer::end(tessarin_);
        if (watch_) xcb_disconnect(watch_);
    }

    // Waits for the program to end: its exit status, or -1 if it was killed or did not end.
    int exitStatus() {
        const auto status = XServer::waitFor(tessarin_);
        if (status) tessarin_ = -1;
        return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
    }
    int msg(const std::vector<std::string>& args) {
        std::vector<std::string> argv{TESSARIN_BINARY, "msg"};
        argv.insert(argv.end(), args.begin(), args.end());
        return server_.run(argv, env_);
    }
    json state() {
        bool notRunning = false;
        std::string error;
        auto reply = ipcRequest(socket_, R"({"command":"state"})", notRunning, error);
        json answer = reply ? json::parse(*reply, nullptr, false) : json();
        if (answer.is_object() && answer["state"].is_object()) return answer["state"];
        ADD_FAILURE() << "no state: " << error << " " << reply.value_or("");
        return {{"displays", json::array()}, {"windows", json::array()}};
    }

    // Re-checks `done` after every event the server sends until it holds.
    bool waitUntil(const std::function<bool()>& done) {
        return done() || waitForEvent(watch_, [&](const xcb_generic_event_t*) { return done(); });
    }

    // Opens an xterm and waits until Tessarin tiles it; its window number.
    xcb_window_t openXterm(const std::string& title) {
        const pid_t pid = server_.spawn({"xterm", "-T", title});
        xterms_.push_back(pid);
        xcb_window_t found = 0;
        EXPECT_TRUE(waitUntil([&] {
            for (const json& w : state().value("windows", json::array()))
                if (w["pid"] == pid && w["state"] == "tiled") found = w["number"];
            return found != 0;
        })) << title
            << " was not tiled";
        // Its own configure and focus events wake the waits too.
        const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE |
                                     XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(watch_, found, XCB_CW_EVENT_MASK, &events);
        return found;
    }

    // The window's frame as the server has it, decorations included.
    Rect frameOf(xcb_window_t window) {
        auto* geometry = xcb_get_geometry_reply(watch_, xcb_get_geometry(watch_, window), nullptr);
        auto* place = xcb_translate_coordinates_reply(
            watch_, xcb_translate_coordinates(watch_, window, root_, 0, 0), nullptr);
        const auto e = property32(watch_, window, atom("_NET_FRAME_EXTENTS"));
        Rect frame;
        if (geometry && place) {
            const double b = geometry->border_width;
            frame = {place->dst_x - b, place->dst_y - b, geometry->width + 2 * b,
                     geometry->height + 2 * b};
            if (GetParam() != Manager::none && e.size() == 4) {
                frame = {frame.x - e[0], frame.y - e[2], frame.width + e[0] + e[1],
                         frame.height + e[2] + e[3]};
            }
        }
        std::free(geometry);
        std::free(place);
        return frame;
    }
    xcb_atom_t atom(const char* name) { return test::internAtom(watch_, name); }

    // Every tiled window of the first display stands where the strip layout puts it: exactly,
    // or smaller by less than one character cell where a manager applies xterm's increments.
    // A manager keeps part of every window on screen (openbox: a tenth, or all of it when an
    // edge stays put), so there only the columns inside the display are checked.
    bool tiledAsLaidOut() {
        const json s = state();
        if (s["displays"].empty()) return false;
        const json& display = s["displays"][0];
        auto strip = stripFromJson(display["strip"]);
        if (!strip) return false;
        const Rect area = rectOf(display["area"]);
        const auto frames =
            StripLayout::frames(*strip, strip->scrollOffset, area, rectOf(display["frame"]),
                                {s["gap"].get<double>(), CenterMode::never, 2.0}, false, false, {});
        const double slackW = GetParam() == Manager::none ? 1 : 6;
        const double slackH = GetParam() == Manager::none ? 1 : 13;
        const Rect bounds = rectOf(display["frame"]);
        for (const auto& [id, want] : frames) {
            if (GetParam() != Manager::none &&
                (want.minX() < bounds.minX() || want.maxX() > bounds.maxX())) {
                continue;
            }
            const Rect got = frameOf(id);
            if (std::abs(got.x - want.x) > 1 || std::abs(got.y - want.y) > 1 ||
                got.width > want.width + 1 || got.width < want.width - slackW ||
                got.height > want.height + 1 || got.height < want.height - slackH) {
                return false;
            }
        }
        return !frames.empty();
    }
    std::vector<WindowID> columnsOf(const json& s, std::size_t display = 0) {
        std::vector<WindowID> windows;
        if (s["displays"].size() <= display) return windows;
        for (const json& column : s["displays"][display]["strip"]["columns"])
            windows.push_back(column["windows"][0]);
        return windows;
    }
    // Focused for Tessarin, the server and the window manager's active window alike: no older
    // focus change is still on its way through the manager to overtake the next command.
    bool settledOn(WindowID window) {
        auto* input = xcb_get_input_focus_reply(watch_, xcb_get_input_focus(watch_), nullptr);
        bool there = input && input->focus == window;
        std::free(input);
        const auto active = property32(watch_, root_, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
        if (active.size() == 1) there = there && active[0] == window;
        return there && focused() == window;
    }
    std::optional<WindowID> focused() {
        const json s = state();
        if (s.value("focusedWindow", json()).is_null()) return std::nullopt;
        return s["focusedWindow"].get<WindowID>();
    }
    void setMonitors(const std::vector<std::vector<std::string>>& commands) {
        for (const auto& command : commands)
            ASSERT_EQ(server_.run(command), 0) << command[1] << " " << command[2];
        // Xvfb announces no monitor change by itself; a primary change makes it notify, as a
        // real output change would.
        ASSERT_EQ(server_.run({"xrandr", "--noprimary"}), 0);
        ASSERT_EQ(server_.run({"xrandr", "--output", "screen", "--primary"}), 0);
    }

    // The tour would open at a first start; these tests are about tiling.
    std::string settings_ = R"({"animate": false, "hasCompletedOnboarding": true})";
    XServer server_{2560, 1440, GetParam()};
    TempFolder home_;
    std::vector<std::string> env_;
    std::filesystem::path socket_;
    pid_t tessarin_ = -1;
    std::vector<pid_t> xterms_;
    xcb_connection_t* watch_ = nullptr;
    xcb_window_t root_ = 0;
};

// Which command moves which column, stacks or floats is the golden scenarios' business; here
// the commands reach the program, frames land on the server and focus settles in the manager.
TEST_P(Tessarin, TilesXtermsAndFollowsCommands) {
    for (const char* title : {"a", "b", "c"})
        openXterm(title);
    ASSERT_TRUE(waitUntil([&] { return tiledAsLaidOut(); }));
    ASSERT_EQ(columnsOf(state()).size(), 3u);

    ASSERT_EQ(msg({"focusLast"}), 0);
    const WindowID last = columnsOf(state()).back();
    ASSERT_TRUE(waitUntil([&] { return settledOn(last); }));
    ASSERT_EQ(msg({"focusLeft"}), 0);
    const WindowID middle = columnsOf(state())[1];
    EXPECT_TRUE(waitUntil([&] { return settledOn(middle); })) << "focusLeft";

    ASSERT_EQ(msg({"moveLeft"}), 0);
    EXPECT_EQ(columnsOf(state()).front(), middle) << "moveLeft";
    EXPECT_TRUE(waitUntil([&] { return tiledAsLaidOut(); })) << "after moveLeft";

    // Closing the focused xterm hands focus to its neighbour.
    ASSERT_EQ(msg({"focusLast"}), 0);
    const auto columns = columnsOf(state());
    const WindowID closing = columns.back();
    ASSERT_TRUE(waitUntil([&] { return settledOn(closing); }));
    const WindowID neighbour = columns[columns.size() - 2];
    const json windows = state()["windows"];
    for (const json& w : windows)
        if (w["number"] == closing) kill(w["pid"].get<pid_t>(), SIGTERM);
    EXPECT_TRUE(waitUntil([&] { return focused() == neighbour; })) << "focus after close";

    // A frozen xterm does not hold up the others' frames: X writes go to the server.
    kill(xterms_[0], SIGSTOP);
    ASSERT_EQ(msg({"focusFirst"}), 0);
    ASSERT_EQ(msg({"wider"}), 0);
    ASSERT_EQ(msg({"moveRight"}), 0);
    EXPECT_TRUE(waitUntil([&] { return tiledAsLaidOut(); })) << "with a frozen xterm";
    kill(xterms_[0], SIGCONT);
}

// The factory shortcuts (base modifier ctrl+alt) pressed on the keyboard reach the engine.
// The letter keys: openbox keeps ctrl+alt+arrows for its desktops.
TEST_P(Tessarin, ShortcutsFocusAndMove) {
    for (const char* title : {"a", "b", "c"})
        openXterm(title);
    ASSERT_TRUE(waitUntil([&] { return tiledAsLaidOut(); }));
    ASSERT_EQ(msg({"focusLast"}), 0);
    const auto columns = columnsOf(state());
    ASSERT_EQ(columns.size(), 3u);
    ASSERT_TRUE(waitUntil([&] { return settledOn(columns[2]); }));
    ASSERT_EQ(server_.run({"xdotool", "key", "ctrl+alt+h"}), 0);
    EXPECT_TRUE(waitUntil([&] { return settledOn(columns[1]); })) << "focusLeft";
    ASSERT_EQ(server_.run({"xdotool", "key", "ctrl+alt+shift+h"}), 0);
    EXPECT_TRUE(waitUntil([&] {
        const auto now = columnsOf(state());
        return !now.empty() && now.front() == columns[1];
    })) << "moveLeft";
    EXPECT_TRUE(waitUntil([&] { return tiledAsLaidOut(); })) << "after moveLeft";
}

// The base modifiers held over the wheel slide the strip: the scroll tap tells the X tap which
// combination to grab, since X delivers only what is grabbed.
TEST_P(Tessarin, ModifierWheelSlidesTheStrip) {
    for (const char* title : {"a", "b", "c", "d", "e"})
        openXterm(title);
    ASSERT_TRUE(waitUntil([&] { return tiledAsLaidOut(); }));
    const double before = state()["displays"][0]["strip"]["scrollOffset"].get<double>();
    ASSERT_EQ(server_.run({"xdotool", "keydown", "ctrl+alt", "click", "--repeat", "5", "4", "keyup",
                           "ctrl+alt"}),
              0);
    EXPECT_TRUE(waitUntil([&] {
        return state()["displays"][0]["strip"]["scrollOffset"].get<double>() != before;
    })) << before;
}

TEST_P(Tessarin, SecondMonitorGetsItsStripAndGivesWindowsBack) {
    openXterm("a");
    const xcb_window_t b = openXterm("b");
    setMonitors({{"xrandr", "--setmonitor", "Left", "1280/340x1440/380+0+0", "screen"},
                 {"xrandr", "--setmonitor", "Right", "1280/340x1440/380+1280+0", "none"}});
    ASSERT_TRUE(waitUntil([&] { return state()["displays"].size() == 2; }));
    ASSERT_EQ(msg({"focusLast"}), 0);
    ASSERT_EQ(msg({"sendToNextDisplay"}), 0);
    const WindowID sent = b;
    EXPECT_TRUE(waitUntil([&] {
        const json s = state();
        const auto right = columnsOf(s, 1);
        return std::count(right.begin(), right.end(), sent) == 1 && frameOf(sent).x >= 1280;
    })) << "sendToNextDisplay";

    setMonitors({{"xrandr", "--delmonitor", "Right"}});
    EXPECT_TRUE(waitUntil([&] {
        const json s = state();
        return s["displays"].size() == 1 && columnsOf(s).size() == 2 && tiledAsLaidOut();
    })) << "windows back on the remaining display";
}

TEST_P(Tessarin, FullScreenLeavesItsColumnAndReturns) {
    if (GetParam() == Manager::none) {
        GTEST_SKIP() << "without a window manager nobody makes a window full screen";
    }
    openXterm("a");
    const xcb_window_t b = openXterm("b");
    auto fullScreen = [&](std::uint32_t on) {
        const std::uint32_t data[5] = {on, atom("_NET_WM_STATE_FULLSCREEN"), 0, 1, 0};
        sendToRoot(watch_, root_, b, atom("_NET_WM_STATE"), data);
    };
    auto inStrip = [&] {
        const auto columns = columnsOf(state());
        return std::count(columns.begin(), columns.end(), b) == 1;
    };
    fullScreen(1);
    EXPECT_TRUE(waitUntil([&] { return !inStrip() && frameOf(b).width == 2560; }));
    fullScreen(0);
    EXPECT_TRUE(waitUntil([&] { return inStrip() && tiledAsLaidOut(); })) << "back in its column";
}

TEST_P(Tessarin, LostServerEndsWithStatusOneAndALogLine) {
    openXterm("a");
    server_.stop();
    EXPECT_EQ(exitStatus(), 1);
    EXPECT_NE(readText(home_.path() / "state/Tessarin/Tessarin.log")
                  .find("lost the connection to the X server"),
              std::string::npos);
}

TEST_P(Tessarin, OptionsSecondCopyAndSignals) {
    EXPECT_EQ(server_.run({TESSARIN_BINARY, "--help"}), 0);
    EXPECT_EQ(server_.run({TESSARIN_BINARY, "--version"}), 0);
    EXPECT_EQ(server_.run({TESSARIN_BINARY, "--bogus"}), 1);
    EXPECT_EQ(server_.run({"sh", "-c",
                           "DISPLAY=:9999 \"$0\" 2>&1 | grep -qx 'tessarin: cannot open X display "
                           "\":9999\"'",
                           TESSARIN_BINARY}),
              0);
    EXPECT_EQ(server_.run({TESSARIN_BINARY}, env_), 0) << "a second copy quits quietly";
    const std::string log = readText(home_.path() / "state/Tessarin/Tessarin.log");
    EXPECT_NE(
        log.find("another copy is already running (" +
                 std::filesystem::canonical(TESSARIN_BINARY).string() + "), quitting this one"),
        std::string::npos)
        << log;
    EXPECT_EQ(log.find("launch "), log.rfind("launch ")) << "one launch line: the first copy's";
    EXPECT_NE(log.find("carried over 2 settings from Quillon"), std::string::npos);
    EXPECT_EQ(log.find("carried over"), log.rfind("carried over")) << "migrated once";
    const json settings =
        json::parse(readText(home_.path() / "config/tessarin/com.tessarin.json"), nullptr, false);
    EXPECT_EQ(settings.value("animate", true), false) << "our own value stays";
    EXPECT_EQ(settings.value("quillonOnly", 0), 7);
    EXPECT_EQ(settings.value("migratedFromQuillon", false), true);
    // A URL given to a second copy goes to the running one, which ignores what names nothing.
    for (const char* ignored : {"tessarin:toggleTiling", "tessarin://ToggleTiling", "tessarin://"})
        EXPECT_EQ(server_.run({TESSARIN_BINARY, ignored}, env_), 0) << ignored;
    EXPECT_EQ(state()["paused"], false);
    EXPECT_EQ(server_.run({TESSARIN_BINARY, "tessarin:///toggleTiling"}, env_), 0);
    EXPECT_EQ(state()["paused"], true);
    EXPECT_EQ(server_.run({TESSARIN_BINARY, "tessarin://toggleTiling/again"}, env_), 0);
    EXPECT_EQ(state()["paused"], false);
    EXPECT_EQ(msg({"noSuchAction"}), 1);
    EXPECT_EQ(msg({"focusLeft"}), 0);
    kill(tessarin_, SIGTERM);
    EXPECT_EQ(exitStatus(), 0) << "SIGTERM is a clean stop";
    EXPECT_EQ(msg({"focusLeft"}), 2) << "no running copy";
}

INSTANTIATE_TEST_SUITE_P(X11, Tessarin, ::testing::Values(Manager::none, Manager::openbox),
                         [](const auto& info) {
                             return info.param == Manager::none
                                        ? std::string("WithoutWindowManager")
                                        : std::string("WithOpenbox");
                         });

// The program's own windows: the focus outline and the overview, found by their titles.
class TessarinWindows : public Tessarin {
  protected:
    TessarinWindows() {
        settings_ =
            R"({"animate": false, "hasCompletedOnboarding": true, "focusBorder": true, "focusBorderWidth": 4})";
    }
    // The root's children, bottom to top.
    std::vector<xcb_window_t> stack() {
        std::vector<xcb_window_t> children;
        if (auto* tree = xcb_query_tree_reply(watch_, xcb_query_tree(watch_, root_), nullptr)) {
            const xcb_window_t* first = xcb_query_tree_children(tree);
            children.assign(first, first + xcb_query_tree_children_length(tree));
            std::free(tree);
        }
        return children;
    }
    xcb_window_t named(const std::string& title) {
        for (xcb_window_t w : stack()) {
            auto* name = xcb_get_property_reply(watch_,
                                                xcb_get_property(watch_, 0, w, atom("_NET_WM_NAME"),
                                                                 XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                                                nullptr);
            const bool match =
                name && std::string(static_cast<const char*>(xcb_get_property_value(name)),
                                    xcb_get_property_value_length(name)) == title;
            std::free(name);
            if (match) return w;
        }
        return 0;
    }
    bool viewable(xcb_window_t w) {
        auto* a =
            xcb_get_window_attributes_reply(watch_, xcb_get_window_attributes(watch_, w), nullptr);
        const bool shown = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(a);
        return shown;
    }
    // The child of the root that holds `w`: a manager's frame, or the window itself.
    xcb_window_t topLevel(xcb_window_t w) {
        while (auto* tree = xcb_query_tree_reply(watch_, xcb_query_tree(watch_, w), nullptr)) {
            const xcb_window_t parent = tree->parent;
            std::free(tree);
            if (parent == root_ || parent == XCB_NONE) break;
            w = parent;
        }
        return w;
    }
    // The outline surrounds `window` 4 px outside its frame and sits directly above it.
    bool outlines(xcb_window_t window) {
        const xcb_window_t outline = named("Tessarin focus outline");
        if (!outline || !viewable(outline)) return false;
        auto* g = xcb_get_geometry_reply(watch_, xcb_get_geometry(watch_, outline), nullptr);
        if (!g) return false;
        const Rect got{double(g->x), double(g->y), double(g->width), double(g->height)};
        std::free(g);
        const Rect frame = frameOf(window);
        // A manager may shrink an xterm by less than a character cell from the frame it got.
        const bool around = std::abs(got.x - (frame.x - 4)) <= 1 &&
                            std::abs(got.y - (frame.y - 4)) <= 1 && got.width >= frame.width + 7 &&
                            got.width <= frame.width + 16 && got.height >= frame.height + 7 &&
                            got.height <= frame.height + 30;
        const auto order = stack();
        const auto at = std::find(order.begin(), order.end(), outline);
        return around && at != order.begin() && *(at - 1) == topLevel(window);
    }
    // The outline takes no clicks and covers only its ring, never the window's middle.
    bool ringOnly(xcb_window_t outline) {
        auto rects = [&](xcb_shape_kind_t kind) {
            std::vector<xcb_rectangle_t> found;
            auto* reply = xcb_shape_get_rectangles_reply(
                watch_, xcb_shape_get_rectangles(watch_, outline, kind), nullptr);
            if (!reply) return found;
            const xcb_rectangle_t* first = xcb_shape_get_rectangles_rectangles(reply);
            found.assign(first, first + xcb_shape_get_rectangles_rectangles_length(reply));
            std::free(reply);
            return found;
        };
        auto* g = xcb_get_geometry_reply(watch_, xcb_get_geometry(watch_, outline), nullptr);
        if (!g) return false;
        const int midX = g->width / 2, midY = g->height / 2;
        std::free(g);
        const auto ring = rects(XCB_SHAPE_SK_BOUNDING);
        const bool middleCovered = std::any_of(ring.begin(), ring.end(), [&](const auto& r) {
            return midX >= r.x && midX < r.x + r.width && midY >= r.y && midY < r.y + r.height;
        });
        return rects(XCB_SHAPE_SK_INPUT).empty() && !ring.empty() && !middleCovered;
    }
};

TEST_P(TessarinWindows, OutlineFollowsFocusAndOverviewFocusesAClickedColumn) {
    // With a compositor the overlays are translucent; without one, shaped. Either way the
    // outline and the overview behave the same, whenever xcompmgr gets going.
    if (GetParam() == Manager::openbox) xterms_.push_back(server_.spawn({"xcompmgr"}));
    for (const char* title : {"a", "b", "c"})
        openXterm(title);
    ASSERT_TRUE(waitUntil([&] { return tiledAsLaidOut(); }));
    const auto columns = columnsOf(state());
    ASSERT_EQ(columns.size(), 3u);
    ASSERT_EQ(server_.run({"xdotool", "mousemove", "10", "10"}), 0);
    ASSERT_EQ(msg({"focusLast"}), 0);
    ASSERT_TRUE(waitUntil([&] { return settledOn(columns[2]); }));
    EXPECT_TRUE(waitUntil([&] { return outlines(columns[2]); })) << "outline on the last";
    EXPECT_TRUE(ringOnly(named("Tessarin focus outline")));
    ASSERT_EQ(msg({"focusLeft"}), 0);
    ASSERT_TRUE(waitUntil([&] { return settledOn(columns[1]); }));
    EXPECT_TRUE(waitUntil([&] { return outlines(columns[1]); })) << "outline follows focusLeft";

    // A focus command flashes the overview, which fades away by itself.
    EXPECT_TRUE(waitUntil([&] { return viewable(named("Tessarin overview")); }));
    EXPECT_TRUE(waitUntil([&] { return !viewable(named("Tessarin overview")); })) << "faded";

    // The pointer rests where the overview appears (centred, near the bottom), which keeps it.
    ASSERT_EQ(server_.run({"xdotool", "mousemove", "1280", "1385"}), 0);
    ASSERT_EQ(msg({"showOverview"}), 0);
    xcb_window_t panel = 0;
    ASSERT_TRUE(waitUntil([&] {
        panel = named("Tessarin overview");
        return panel && viewable(panel);
    }));
    auto* g = xcb_get_geometry_reply(watch_, xcb_get_geometry(watch_, panel), nullptr);
    ASSERT_NE(g, nullptr);
    // Inside the first tile: past the 12 px padding, 4 px into the tile row.
    const std::string x = std::to_string(g->x + 16), y = std::to_string(g->y + 12 + 4 + 27);
    std::free(g);
    ASSERT_EQ(server_.run({"xdotool", "mousemove", x, y, "click", "1"}), 0);
    EXPECT_TRUE(waitUntil([&] { return settledOn(columns[0]); })) << "clicked the first tile";
    EXPECT_TRUE(waitUntil([&] { return outlines(columns[0]); }));
}

// With animation the outline is carried along by the writes of the focused window's frames.
class TessarinAnimatedOutline : public TessarinWindows {
  protected:
    TessarinAnimatedOutline() {
        settings_ =
            R"({"animate": true, "hasCompletedOnboarding": true, "focusBorder": true, "focusBorderWidth": 4, "showIndicator": false})";
    }
};

TEST_P(TessarinAnimatedOutline, FollowsAScrollToTheEndAndBack) {
    for (const char* title : {"a", "b", "c", "d"})
        openXterm(title);
    ASSERT_TRUE(waitUntil([&] { return tiledAsLaidOut(); }));
    const auto columns = columnsOf(state());
    ASSERT_EQ(columns.size(), 4u);
    for (const WindowID target : {columns[3], columns[0], columns[3]}) {
        ASSERT_EQ(msg({target == columns[0] ? "focusFirst" : "focusLast"}), 0);
        ASSERT_TRUE(waitUntil([&] { return settledOn(target); }));
        EXPECT_TRUE(waitUntil([&] { return outlines(target); })) << "around " << target;
    }
}

INSTANTIATE_TEST_SUITE_P(X11, TessarinAnimatedOutline,
                         ::testing::Values(Manager::none, Manager::openbox), [](const auto& info) {
                             return info.param == Manager::none
                                        ? std::string("WithoutWindowManager")
                                        : std::string("WithOpenbox");
                         });

INSTANTIATE_TEST_SUITE_P(X11, TessarinWindows, ::testing::Values(Manager::none, Manager::openbox),
                         [](const auto& info) {
                             return info.param == Manager::none
                                        ? std::string("WithoutWindowManager")
                                        : std::string("WithOpenbox");
                         });

}  // namespace
}  // namespace tessarin::test
