#include "support/platform_contract.hpp"

#include <algorithm>
#include <vector>

namespace tessarin::test {

int platformContractAnchor() {
    return 0;
}

void PlatformContract::SetUp() {
    driver = GetParam().make();
    ASSERT_TRUE(driver);
    platform.emplace(driver->platform());
    ASSERT_FALSE(driver->displays().empty());
}

std::optional<AXValue> PlatformContract::read(const AXElement& element,
                                              const std::string& attribute) {
    AXValue value;
    if (platform->accessibility.copyAttribute(element, attribute, value) != AXError::success) {
        return std::nullopt;
    }
    return value;
}

std::optional<AXElement> PlatformContract::windowElement(Pid pid, WindowID window) {
    Accessibility& ax = platform->accessibility;
    auto windows = read(ax.application(pid), "AXWindows");
    if (!windows || !std::holds_alternative<std::vector<AXElement>>(*windows)) return std::nullopt;
    for (const AXElement& element : std::get<std::vector<AXElement>>(*windows)) {
        WindowID number = 0;
        if (ax.windowNumber(element, number) == AXError::success && number == window) {
            return element;
        }
    }
    return std::nullopt;
}

std::vector<WindowID> PlatformContract::listed(bool onScreenOnly) {
    std::vector<WindowID> numbers;
    auto list = platform->windowServer.windowList(onScreenOnly);
    if (!list) return numbers;
    // The desktop's own windows (menu bars, panels) sit on other layers; the tests' windows are
    // ordinary ones.
    for (const WindowInfo& info : *list) {
        if (info.number && info.layer.value_or(0) == 0) numbers.push_back(*info.number);
    }
    return numbers;
}

namespace {

bool has(const std::vector<WindowID>& list, WindowID window) {
    return std::find(list.begin(), list.end(), window) != list.end();
}

// Collects what an observer hears, on the main loop.
struct Heard {
    std::vector<std::pair<AXElement, std::string>> notes;
    AXObserver::Callback callback() {
        return [this](const AXElement& element, const std::string& name) {
            notes.emplace_back(element, name);
        };
    }
    int count(const std::string& name) const {
        return static_cast<int>(std::count_if(
            notes.begin(), notes.end(), [&](const auto& note) { return note.second == name; }));
    }
};

}  // namespace

TEST_P(PlatformContract, WindowAttributesReadWithTheirTypes) {
    const Pid pid = *driver->launchApp("Reader");
    const WindowID id = *driver->openWindow(pid, "Notes", {120, 140, 640, 480});
    driver->settle();
    const auto element = windowElement(pid, id);
    ASSERT_TRUE(element);

    EXPECT_EQ(read(*element, "AXRole"), AXValue(std::string("AXWindow")));
    EXPECT_EQ(read(*element, "AXSubrole"), AXValue(std::string("AXStandardWindow")));
    EXPECT_EQ(read(*element, "AXTitle"), AXValue(std::string("Notes")));
    EXPECT_EQ(read(*element, "AXPosition"), AXValue(Point{120, 140}));
    EXPECT_EQ(read(*element, "AXSize"), AXValue(Size{640, 480}));
    EXPECT_EQ(read(*element, "AXMinimized"), AXValue(false));
    EXPECT_EQ(read(*element, "AXFullScreen"), AXValue(false));

    Pid owner = 0;
    EXPECT_EQ(platform->accessibility.processID(*element, owner), AXError::success);
    EXPECT_EQ(owner, pid);

    // One call for several attributes agrees with single reads; an unknown one is none.
    std::vector<std::optional<AXValue>> values;
    ASSERT_EQ(platform->accessibility.copyAttributes(
                  *element, {"AXPosition", "AXNoSuchAttribute", "AXSize"}, values),
              AXError::success);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], read(*element, "AXPosition"));
    EXPECT_FALSE(values[1]);
    EXPECT_EQ(values[2], read(*element, "AXSize"));

    AXValue ignored;
    EXPECT_EQ(platform->accessibility.copyAttribute(*element, "AXNoSuchAttribute", ignored),
              AXError::attributeUnsupported);
}

TEST_P(PlatformContract, FrameWritesRoundTripAndWrongTypesAreRefused) {
    const Pid pid = *driver->launchApp("Writer");
    const WindowID id = *driver->openWindow(pid, "Draft", {100, 100, 600, 400});
    driver->settle();
    const auto element = windowElement(pid, id);
    ASSERT_TRUE(element);
    Accessibility& ax = platform->accessibility;

    bool settable = false;
    EXPECT_EQ(ax.isSettable(*element, "AXPosition", settable), AXError::success);
    EXPECT_TRUE(settable);
    EXPECT_EQ(ax.isSettable(*element, "AXSize", settable), AXError::success);
    EXPECT_TRUE(settable);

    EXPECT_EQ(ax.setAttribute(*element, "AXPosition", Point{200, 150}), AXError::success);
    EXPECT_EQ(ax.setAttribute(*element, "AXSize", Size{700, 500}), AXError::success);
    driver->settle();
    EXPECT_EQ(read(*element, "AXPosition"), AXValue(Point{200, 150}));
    EXPECT_EQ(read(*element, "AXSize"), AXValue(Size{700, 500}));

    // The window server sees the same frame.
    auto list = platform->windowServer.windowList(false);
    ASSERT_TRUE(list);
    auto entry = std::find_if(list->begin(), list->end(),
                              [&](const WindowInfo& info) { return info.number == id; });
    ASSERT_NE(entry, list->end());
    EXPECT_EQ(entry->bounds, (Rect{200, 150, 700, 500}));
    EXPECT_EQ(entry->ownerPid, pid);

    EXPECT_NE(ax.setAttribute(*element, "AXPosition", Size{1, 1}), AXError::success);
    EXPECT_NE(ax.setAttribute(*element, "AXSize", std::string("wide")), AXError::success);
    EXPECT_EQ(read(*element, "AXPosition"), AXValue(Point{200, 150}));
    EXPECT_EQ(read(*element, "AXSize"), AXValue(Size{700, 500}));
}

TEST_P(PlatformContract, WindowNumbersBelongToWindowElementsOnly) {
    const Pid pid = *driver->launchApp("Numbers");
    const WindowID first = *driver->openWindow(pid, "First", {50, 60, 300, 200});
    const WindowID second = *driver->openWindow(pid, "Second", {400, 60, 300, 200});
    driver->settle();
    EXPECT_NE(first, second);
    EXPECT_NE(first, 0u);
    const auto element = windowElement(pid, second);
    ASSERT_TRUE(element);

    WindowID number = 0;
    const AXError error =
        platform->accessibility.windowNumber(platform->accessibility.application(pid), number);
    EXPECT_TRUE(error != AXError::success || number == 0);

    // The focused window is one of the application's windows.
    auto focused = read(platform->accessibility.application(pid), "AXFocusedWindow");
    ASSERT_TRUE(focused && std::holds_alternative<AXElement>(*focused));
    ASSERT_EQ(platform->accessibility.windowNumber(std::get<AXElement>(*focused), number),
              AXError::success);
    EXPECT_TRUE(number == first || number == second);
}

TEST_P(PlatformContract, NotificationsArriveOnlyWhileScheduled) {
    const Pid pid = *driver->launchApp("Observed");
    const WindowID id = *driver->openWindow(pid, "Moving", {100, 100, 400, 300});
    driver->settle();
    const auto element = windowElement(pid, id);
    ASSERT_TRUE(element);
    Accessibility& ax = platform->accessibility;

    Heard heard;
    auto observer = ax.createObserver(pid, heard.callback());
    ASSERT_TRUE(observer);
    ASSERT_EQ(observer->addNotification(*element, "AXWindowMoved"), AXError::success);
    EXPECT_EQ(observer->addNotification(*element, "AXWindowMoved"),
              AXError::notificationAlreadyRegistered);

    ASSERT_EQ(ax.setAttribute(*element, "AXPosition", Point{150, 120}), AXError::success);
    driver->settle();
    EXPECT_EQ(heard.count("AXWindowMoved"), 0) << "heard while not scheduled";

    observer->schedule();
    ASSERT_EQ(ax.setAttribute(*element, "AXPosition", Point{200, 130}), AXError::success);
    driver->settle();
    ASSERT_EQ(heard.count("AXWindowMoved"), 1);
    WindowID number = 0;
    EXPECT_EQ(ax.windowNumber(heard.notes.back().first, number), AXError::success);
    EXPECT_EQ(number, id);

    // Unscheduled between the move and the delivery: dropped.
    ASSERT_EQ(ax.setAttribute(*element, "AXPosition", Point{250, 140}), AXError::success);
    observer->unschedule();
    driver->settle();
    EXPECT_EQ(heard.count("AXWindowMoved"), 1);

    observer->schedule();
    EXPECT_EQ(observer->removeNotification(*element, "AXWindowMoved"), AXError::success);
    EXPECT_EQ(observer->removeNotification(*element, "AXWindowMoved"),
              AXError::notificationNotRegistered);
    ASSERT_EQ(ax.setAttribute(*element, "AXPosition", Point{300, 150}), AXError::success);
    driver->settle();
    EXPECT_EQ(heard.count("AXWindowMoved"), 1);
}

TEST_P(PlatformContract, CreatedAndDestroyedWindowsAreAnnounced) {
    const Pid pid = *driver->launchApp("Lifecycle");
    Accessibility& ax = platform->accessibility;
    Heard heard;
    auto observer = ax.createObserver(pid, heard.callback());
    ASSERT_TRUE(observer);
    ASSERT_EQ(observer->addNotification(ax.application(pid), "AXWindowCreated"), AXError::success);
    observer->schedule();

    const WindowID id = *driver->openWindow(pid, "Fresh", {100, 100, 400, 300});
    driver->settle();
    ASSERT_EQ(heard.count("AXWindowCreated"), 1);
    const AXElement created = heard.notes.back().first;
    WindowID number = 0;
    ASSERT_EQ(ax.windowNumber(created, number), AXError::success);
    EXPECT_EQ(number, id);

    ASSERT_EQ(observer->addNotification(created, "AXUIElementDestroyed"), AXError::success);
    ASSERT_TRUE(driver->closeWindow(id));
    driver->settle();
    EXPECT_EQ(heard.count("AXUIElementDestroyed"), 1);

    // A destroyed window's element no longer answers, and no longer yields its number.
    AXValue value;
    EXPECT_EQ(ax.copyAttribute(created, "AXPosition", value), AXError::invalidUIElement);
    EXPECT_NE(ax.setAttribute(created, "AXPosition", Point{0, 0}), AXError::success);
    number = 0;
    const AXError error = ax.windowNumber(created, number);
    EXPECT_TRUE(error != AXError::success || number == 0);
    EXPECT_FALSE(has(listed(false), id));
}

TEST_P(PlatformContract, OnScreenListLeavesOutMinimizedHiddenAndOtherWorkspaceWindows) {
    const Pid pid = *driver->launchApp("Lister");
    const WindowID shown = *driver->openWindow(pid, "Shown", {10, 40, 300, 200});
    const WindowID minimized = *driver->openWindow(pid, "Minimized", {20, 50, 300, 200});
    const WindowID front = *driver->openWindow(pid, "Front", {30, 60, 300, 200});
    ASSERT_TRUE(driver->minimizeWindow(minimized));
    driver->settle();

    const auto all = listed(false);
    const auto onScreen = listed(true);
    for (WindowID id : {shown, minimized, front})
        EXPECT_TRUE(has(all, id)) << id;
    EXPECT_TRUE(has(onScreen, shown));
    EXPECT_TRUE(has(onScreen, front));
    EXPECT_FALSE(has(onScreen, minimized));

    // Front to back: the newest window is in front of the first one.
    auto position = [&](WindowID id) { return std::find(all.begin(), all.end(), id); };
    EXPECT_LT(position(front), position(shown));

    // Raising brings a window in front of the others.
    const auto element = windowElement(pid, shown);
    ASSERT_TRUE(element);
    ASSERT_EQ(platform->accessibility.performAction(*element, "AXRaise"), AXError::success);
    driver->settle();
    const auto raised = listed(true);
    ASSERT_FALSE(raised.empty());
    EXPECT_EQ(raised.front(), shown);

    if (driver->capabilities().workspaces) {
        ASSERT_TRUE(driver->sendToOtherWorkspace(front));
        driver->settle();
        EXPECT_FALSE(has(listed(true), front));
        EXPECT_TRUE(has(listed(false), front));
        EXPECT_TRUE(windowElement(pid, front)) << "accessibility still lists it";
    }
    if (driver->capabilities().hiding) {
        ASSERT_TRUE(driver->hideApp(pid));
        driver->settle();
        EXPECT_FALSE(has(listed(true), shown));
        EXPECT_TRUE(has(listed(false), shown));
    }
}

TEST_P(PlatformContract, ScreensUseTheBottomLeftConventionPrimaryFirst) {
    const auto expected = driver->displays();
    const auto screens = platform->screens.screens();
    ASSERT_EQ(screens.size(), expected.size());
    const double height = expected.front().frame.height;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const Rect& top = expected[i].frame;
        EXPECT_EQ(screens[i].frame, (Rect{top.x, height - top.maxY(), top.width, top.height}))
            << "screen " << i;
        EXPECT_EQ(screens[i].uuid, expected[i].uuid);
        const Rect& visible = screens[i].visibleFrame;
        EXPECT_GE(visible.minX(), screens[i].frame.minX());
        EXPECT_LE(visible.maxX(), screens[i].frame.maxX());
        EXPECT_GE(visible.minY(), screens[i].frame.minY());
        EXPECT_LE(visible.maxY(), screens[i].frame.maxY());
        EXPECT_GT(screens[i].maximumFramesPerSecond, 0);
    }
    EXPECT_EQ(screens.front().frame.origin(), (Point{0, 0}));
    EXPECT_EQ(platform->screens.screens(), screens) << "the same on every call";
}

TEST_P(PlatformContract, PointerWarpsInTopLeftAndReportsInBottomLeft) {
    const Rect primary = driver->displays().front().frame;
    platform->pointer.warp({200, 100});
    driver->settle();
    EXPECT_EQ(platform->pointer.location(), (Point{200, primary.height - 100}));
}

TEST_P(PlatformContract, RunningApplicationsAndTheirEvents) {
    std::vector<std::pair<WorkspaceEvent, std::optional<Pid>>> events;
    const auto id = platform->workspace.addObserver(
        [&](WorkspaceEvent event, const std::optional<RunningApplication>& app) {
            events.emplace_back(event, app ? std::optional(app->pid) : std::nullopt);
        });
    // Some desktops know an application only by its windows (X11): give it one.
    const Pid pid = *driver->launchApp("Runner");
    ASSERT_TRUE(driver->openWindow(pid, "Console", {100, 100, 400, 300}));
    driver->settle();

    const auto app = platform->workspace.application(pid);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->localizedName, "Runner");
    EXPECT_FALSE(app->terminated);
    const auto running = platform->workspace.runningApplications();
    EXPECT_TRUE(std::any_of(running.begin(), running.end(),
                            [&](const RunningApplication& r) { return r.pid == pid; }));
    EXPECT_TRUE(platform->accessibility.isProcessTrusted());

    ASSERT_TRUE(driver->quitApp(pid));
    driver->settle();
    EXPECT_FALSE(platform->workspace.application(pid));
    if (driver->capabilities().applicationEvents) {
        auto seen = [&](WorkspaceEvent event) {
            return std::count(events.begin(), events.end(), std::pair(event, std::optional(pid)));
        };
        EXPECT_EQ(seen(WorkspaceEvent::didLaunchApplication), 1);
        EXPECT_EQ(seen(WorkspaceEvent::didTerminateApplication), 1);
    }
    platform->workspace.removeObserver(id);
    events.clear();
    const Pid unheard = *driver->launchApp("Unheard");
    driver->openWindow(unheard, "Quiet", {100, 100, 400, 300});
    driver->settle();
    EXPECT_TRUE(events.empty());
}

}  // namespace tessarin::test
