#include "backends/sim/sim_desktop.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "base/virtual_loop.hpp"

namespace tessarin::sim {
namespace {

struct SimDesktopTest : ::testing::Test {
    VirtualLoop loop;
    SimDesktop desktop{loop};
    Accessibility& ax = desktop.accessibility();
    std::vector<std::pair<WorkspaceEvent, std::optional<RunningApplication>>> events;
    std::vector<std::pair<AXElement, std::string>> notes;
    Pid pid = 0;

    void SetUp() override {
        desktop.workspace().addObserver(
            [this](WorkspaceEvent event, const std::optional<RunningApplication>& app) {
                events.emplace_back(event, app);
            });
        desktop.plugDisplay(makeDisplay("A", {0, 0, 1440, 900}, "Main"));
        pid = desktop.launch(makeApp("com.example.editor", "Editor"));
        loop.drain();
        events.clear();
    }

    // An observer of the whole application: it hears every window of it.
    std::unique_ptr<AXObserver> observe(Pid app) {
        auto observer = ax.createObserver(
            app, [this](const AXElement& e, const std::string& n) { notes.emplace_back(e, n); });
        for (const char* name :
             {"AXWindowCreated", "AXFocusedWindowChanged", "AXUIElementDestroyed", "AXWindowMoved",
              "AXWindowResized", "AXWindowMiniaturized", "AXWindowDeminiaturized"}) {
            EXPECT_EQ(observer->addNotification(ax.application(app), name), AXError::success);
        }
        observer->schedule();
        return observer;
    }
    // Matched by the element's reference, which outlives a destroyed window.
    int heard(const std::string& name, std::optional<WindowID> about = std::nullopt) {
        return static_cast<int>(std::count_if(notes.begin(), notes.end(), [&](const auto& n) {
            return n.second == name && (!about || n.first.ref == refs.at(*about));
        }));
    }
    int seen(WorkspaceEvent event) {
        return static_cast<int>(std::count_if(events.begin(), events.end(),
                                              [&](const auto& e) { return e.first == event; }));
    }
    std::vector<WindowID> onScreen() {
        std::vector<WindowID> list;
        const auto infos = desktop.windowServer().windowList(true);
        if (!infos) return list;
        for (const WindowInfo& info : *infos) {
            if (info.ownerPid != kWindowServerPid) list.push_back(info.number.value_or(0));
        }
        return list;
    }
    WindowID open(Pid app, const std::string& title, Rect frame = {100, 100, 400, 300}) {
        const WindowID id = *desktop.openWindow(app, makeWindow(title, frame));
        refs[id] = desktop.element(id)->ref;
        return id;
    }
    std::map<WindowID, std::uint64_t> refs;
};

TEST_F(SimDesktopTest, DisplaysKeepTheirIdentityAcrossReconnection) {
    const auto number = desktop.plugDisplay(makeDisplay("B", {1440, -100, 1920, 1080}));
    DisplaySetup anonymous = makeDisplay(std::nullopt, {-1280, 0, 1280, 800});
    anonymous.hasNumber = false;
    desktop.plugDisplay(anonymous);
    loop.drain();
    EXPECT_EQ(seen(WorkspaceEvent::screenParametersDidChange), 2);
    auto screens = desktop.screens().screens();
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_EQ(screens[0].uuid, "A");
    EXPECT_EQ(screens[1].frame, (Rect{1440, -80, 1920, 1080}));
    EXPECT_EQ(screens[1].visibleFrame, (Rect{1440, -80, 1920, 1055}));
    EXPECT_FALSE(screens[2].uuid);
    EXPECT_FALSE(screens[2].number);

    ASSERT_TRUE(desktop.unplugDisplay(number));
    EXPECT_FALSE(desktop.unplugDisplay(number));
    const auto again = desktop.plugDisplay(makeDisplay("B", {1440, 0, 1920, 1080}));
    EXPECT_NE(again, number) << "a reconnected display gets a fresh number";
    EXPECT_EQ(desktop.displayNumber("B"), again);
    EXPECT_EQ(desktop.screens().screens()[2].uuid, "B");

    loop.drain();
    events.clear();
    ASSERT_TRUE(desktop.setDisplayFrame(again, {1440, 0, 2560, 1440}));
    loop.drain();
    EXPECT_EQ(seen(WorkspaceEvent::screenParametersDidChange), 1);
    EXPECT_EQ(desktop.screens().screens()[2].visibleFrame, (Rect{1440, 900 - 1440, 2560, 1415}));
}

// Unplugging the primary (windows and origin move) is in the golden scenario
// desktop_spaces_and_rearranged_displays, whose dormant window shows where the sim put it.

TEST_F(SimDesktopTest, HidingAndQuittingAreAnnouncedAndPassFocusOn) {
    const Pid other = desktop.launch(makeApp("com.example.other", "Other"));
    const WindowID mine = open(pid, "Mine");
    const WindowID theirs = open(other, "Theirs");
    desktop.activate(pid);
    loop.drain();
    events.clear();
    auto observer = observe(other);

    ASSERT_TRUE(desktop.hide(pid));
    EXPECT_FALSE(desktop.hide(pid));
    loop.drain();
    EXPECT_EQ(seen(WorkspaceEvent::didHideApplication), 1);
    EXPECT_EQ(desktop.workspace().frontmostApplication()->pid, other);
    ASSERT_TRUE(desktop.unhide(pid));
    loop.drain();
    EXPECT_EQ(seen(WorkspaceEvent::didUnhideApplication), 1);

    ASSERT_TRUE(desktop.quit(other));
    loop.drain();
    EXPECT_EQ(heard("AXUIElementDestroyed", theirs), 1);
    ASSERT_EQ(seen(WorkspaceEvent::didTerminateApplication), 1);
    auto terminated = std::find_if(events.begin(), events.end(), [](const auto& e) {
        return e.first == WorkspaceEvent::didTerminateApplication;
    });
    EXPECT_TRUE(terminated->second->terminated);
    EXPECT_EQ(desktop.workspace().frontmostApplication()->pid, pid);
    EXPECT_EQ(desktop.focusedWindow(), mine);
}

TEST_F(SimDesktopTest, FocusFollowsMainRaiseCloseAndMinimize) {
    const WindowID first = open(pid, "First");
    const WindowID second = open(pid, "Second");
    auto observer = observe(pid);
    const AXElement app = ax.application(pid);
    EXPECT_EQ(desktop.focusedWindow(), second);

    ASSERT_EQ(ax.setAttribute(*desktop.element(first), "AXMain", true), AXError::success);
    loop.drain();
    EXPECT_EQ(heard("AXFocusedWindowChanged", first), 1);
    AXValue focused;
    ASSERT_EQ(ax.copyAttribute(app, "AXFocusedWindow", focused), AXError::success);
    EXPECT_EQ(std::get<AXElement>(focused), desktop.element(first));
    EXPECT_EQ(onScreen().front(), first);

    ASSERT_EQ(ax.performAction(*desktop.element(second), "AXRaise"), AXError::success);
    EXPECT_EQ(ax.performAction(*desktop.element(second), "AXZoom"), AXError::actionUnsupported);
    EXPECT_EQ(desktop.focusedWindow(), second);

    ASSERT_TRUE(desktop.setMinimized(second, true));
    loop.drain();
    EXPECT_EQ(heard("AXWindowMiniaturized", second), 1);
    EXPECT_EQ(desktop.focusedWindow(), first);
    ASSERT_EQ(ax.setAttribute(*desktop.element(second), "AXMinimized", false), AXError::success);
    loop.drain();
    EXPECT_EQ(heard("AXWindowDeminiaturized", second), 1);
    EXPECT_EQ(desktop.focusedWindow(), second);

    // A destroyed observer hears nothing more, not even what was already on its way.
    desktop.moveWindow(second, {10, 30, 500, 300});
    observer.reset();
    loop.drain();
    EXPECT_EQ(heard("AXWindowMoved"), 0);
    EXPECT_EQ(heard("AXWindowResized"), 0);

    ASSERT_TRUE(desktop.closeWindow(second));
    loop.drain();
    EXPECT_EQ(desktop.focusedWindow(), first);
    ASSERT_TRUE(desktop.closeWindow(first));
    EXPECT_EQ(ax.copyAttribute(app, "AXFocusedWindow", focused), AXError::noValue);
}

TEST_F(SimDesktopTest, HitTestsFindTheDeepestVisibleElement) {
    const WindowID back = open(pid, "Back", {0, 30, 800, 600});
    const WindowID front = open(pid, "Front", {400, 300, 400, 300});
    const AXElement slider = *desktop.addElement(front, "AXSlider", {450, 350, 200, 20});
    AXElement hit;
    ASSERT_EQ(ax.elementAtPosition(ax.systemWide(), {500, 355}, hit), AXError::success);
    EXPECT_EQ(hit, slider);
    AXValue role;
    ASSERT_EQ(ax.copyAttribute(hit, "AXRole", role), AXError::success);
    EXPECT_EQ(role, AXValue(std::string("AXSlider")));
    WindowID number = 0;
    EXPECT_NE(ax.windowNumber(hit, number), AXError::success);
    ASSERT_EQ(ax.elementAtPosition(ax.systemWide(), {700, 500}, hit), AXError::success);
    EXPECT_EQ(hit, desktop.element(front));
    ASSERT_EQ(ax.elementAtPosition(ax.systemWide(), {100, 100}, hit), AXError::success);
    EXPECT_EQ(hit, desktop.element(back));
    EXPECT_EQ(ax.elementAtPosition(ax.systemWide(), {1000, 800}, hit), AXError::noValue);
    desktop.setMinimized(front, true);
    ASSERT_EQ(ax.elementAtPosition(ax.systemWide(), {500, 355}, hit), AXError::success);
    EXPECT_EQ(hit, desktop.element(back));

    // The application under the point answers the hit test: a hung one times out.
    desktop.setHung(pid, HangMode::timeOutAtOnce);
    ASSERT_EQ(ax.setMessagingTimeout(ax.systemWide(), 0.3), AXError::success);
    EXPECT_EQ(ax.elementAtPosition(ax.systemWide(), {100, 100}, hit), AXError::cannotComplete);
    EXPECT_DOUBLE_EQ(desktop.spentLatency(), 0.3);
    EXPECT_EQ(ax.elementAtPosition(ax.systemWide(), {1000, 800}, hit), AXError::noValue);
}

TEST_F(SimDesktopTest, ConcurrentWritersAndDriverChangesStayConsistent) {
    const Pid other = desktop.launch(makeApp("com.example.other", "Other"));
    const WindowID a = open(pid, "A");
    const WindowID b = open(other, "B");
    auto observer = observe(pid);
    constexpr int kWrites = 200;
    auto writer = [&](WindowID id) {
        for (int i = 0; i < kWrites; ++i) {
            ax.setAttribute(*desktop.element(id), "AXPosition", Point{double(i), 30});
        }
    };
    std::thread first(writer, a);
    std::thread second(writer, b);
    for (int i = 0; i < 50; ++i) {
        const WindowID temporary = open(pid, "T");
        desktop.closeWindow(temporary);
        loop.drain();
    }
    first.join();
    second.join();
    loop.drain();
    EXPECT_EQ(desktop.writes().size(), 2u * kWrites);
    EXPECT_EQ(desktop.window(a)->frame.origin(), (Point{kWrites - 1, 30}));
    EXPECT_EQ(desktop.window(b)->frame.origin(), (Point{kWrites - 1, 30}));
    EXPECT_EQ(heard("AXWindowCreated"), 50);
    EXPECT_EQ(heard("AXWindowMoved", a), kWrites);
}

}  // namespace
}  // namespace tessarin::sim
