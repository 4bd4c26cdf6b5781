#include "system/window_tracker.hpp"

#include <gtest/gtest.h>

#include "system_fixture.hpp"

namespace tessarin {
namespace {

// Records every delegate call as one line of text.
class RecordingDelegate : public WindowTrackerDelegate {
  public:
    void trackerWindowCreated(const AXElement& element, Pid pid) override {
        note("created " + std::to_string(element.ref), pid);
    }
    void trackerWindowMoved(WindowID id) override { note("moved", id); }
    void trackerWindowResized(WindowID id) override { note("resized", id); }
    void trackerWindowMinimizeChanged(WindowID id) override { note("minimize", id); }
    void trackerFocusChanged() override { calls.push_back("focus"); }
    void trackerWindowDestroyed(WindowID id) override { note("destroyed", id); }

    void note(const std::string& what, std::uint64_t about) {
        calls.push_back(what + " " + std::to_string(about));
    }
    std::vector<std::string> take() { return std::exchange(calls, {}); }
    std::vector<std::string> calls;
};

class WindowTrackerTest : public test::SimFixture {
  protected:
    WindowTrackerTest() { tracker.setDelegate(delegate); }

    // Observes and counts how often the application became ready.
    void observe(Pid pid) {
        tracker.observe(pid, 0, [this] { ++ready; });
    }

    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
    WindowTracker tracker{sim.accessibility(), sim.workspace(), loop};
    int ready = 0;
};

// Attempts 0 to 5 fail and retry every 0.5 s; attempt 6 installs anyway, with a log line that
// names the application, or its process when it has no name.
TEST_F(WindowTrackerTest, AnApplicationThatRefusesEveryRegistrationIsInstalledOnTheSeventhAttempt) {
    Pid pid = launch("com.example.editor", "Editor");
    Pid nameless = launch(std::nullopt, "");
    sim.failObserverRegistrations(pid, 7);
    sim.failObserverRegistrations(nameless, 7, AXError::notImplemented);
    observe(pid);
    observe(nameless);
    for (int attempt = 1; attempt <= 6; ++attempt) {
        EXPECT_EQ(ready, 0) << "before attempt " << attempt;
        EXPECT_FALSE(tracker.isObserving(pid));
        loop.advance(0.49);
        EXPECT_EQ(ready, 0);
        loop.advance(0.01);
    }
    EXPECT_EQ(ready, 2);
    EXPECT_TRUE(tracker.isObserving(pid));
    EXPECT_EQ(log.all(), (std::vector<std::string>{
                             "observe Editor: 0/2 notifications, errors [-25204, -25204]",
                             "observe pid " + std::to_string(nameless) +
                                 ": 0/2 notifications, errors [-25208, -25208]"}));
    loop.advance(5);
    EXPECT_EQ(ready, 2);

    // Nothing was registered, so its new windows go unheard: rescans find them.
    open(pid, {100, 100, 400, 300});
    loop.drain();
    EXPECT_TRUE(delegate->take().empty());
}

// A retry that succeeds installs without a log line; "already registered" counts as success.
TEST_F(WindowTrackerTest, ARetryThatSucceedsInstallsWithoutALogLine) {
    Pid pid = launch("com.example.editor", "Editor");
    Pid registered = launch(std::nullopt, "");
    sim.failObserverRegistrations(pid, 2);
    sim.failObserverRegistrations(registered, 1, AXError::notificationAlreadyRegistered);
    observe(registered);
    EXPECT_EQ(ready, 1);
    observe(pid);
    loop.advance(0.5);
    EXPECT_EQ(ready, 1);
    loop.advance(0.5);
    EXPECT_EQ(ready, 2);
    EXPECT_TRUE(log.all().empty());

    open(pid, {100, 100, 400, 300});
    loop.drain();
    auto calls = delegate->take();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().rfind("created ", 0), 0u);
}

TEST_F(WindowTrackerTest, ObservingTwiceCreatesNothingAFailedCreationIsSilentAndStoppingCancels) {
    Pid pid = launch("com.example.editor", "Editor");
    // The application element is the observed one, or a fresh one.
    EXPECT_EQ(tracker.appElement(pid), sim.accessibility().application(pid));
    observe(pid);
    ASSERT_EQ(ready, 1);
    EXPECT_EQ(tracker.appElement(pid), sim.accessibility().application(pid));
    AXValue manual;
    ASSERT_EQ(
        sim.accessibility().copyAttribute(tracker.appElement(pid), "AXManualAccessibility", manual),
        AXError::success);
    EXPECT_EQ(manual, AXValue{true});
    // Had the second call created an observer, it would have failed and never become ready.
    sim.failObserverCreation(pid, true);
    observe(pid);
    EXPECT_EQ(ready, 2);

    Pid other = launch("com.example.other", "Other");
    sim.failObserverCreation(other, true);
    observe(other);
    loop.advance(10);
    EXPECT_EQ(ready, 2);
    EXPECT_FALSE(tracker.isObserving(other));
    EXPECT_TRUE(log.all().empty());

    // Stopping cancels pending retries.
    Pid first = launch("com.example.one", "One");
    Pid second = launch("com.example.two", "Two");
    sim.failObserverRegistrations(first, 1);
    sim.failObserverRegistrations(second, 1);
    observe(first);
    observe(second);
    tracker.unobserve(first);
    loop.advance(1);
    EXPECT_FALSE(tracker.isObserving(first));
    EXPECT_TRUE(tracker.isObserving(second));
    EXPECT_EQ(ready, 3);

    sim.failObserverRegistrations(first, 1);
    observe(first);
    tracker.stopAll();
    loop.advance(1);
    EXPECT_FALSE(tracker.isObserving(first));
    EXPECT_FALSE(tracker.isObserving(second));
    EXPECT_EQ(ready, 3);
}

TEST_F(WindowTrackerTest, WindowNotificationsReachTheDelegateByWindowNumberWhileObserved) {
    Pid pid = launch("com.example.editor", "Editor");
    observe(pid);
    WindowID id = open(pid, {100, 100, 400, 300});
    loop.drain();
    auto created = delegate->take();
    ASSERT_FALSE(created.empty());
    EXPECT_EQ(created.front(),
              "created " + std::to_string(sim.window(id)->element.ref) + " " + std::to_string(pid));

    auto window = this->window(id);
    tracker.observeWindow(*window);
    tracker.observeWindow(*window);  // a second time registers nothing more
    sim.moveWindow(id, {200, 100, 400, 300});
    loop.drain();
    EXPECT_EQ(delegate->take(), std::vector<std::string>{"moved " + std::to_string(id)});
    sim.moveWindow(id, {200, 100, 500, 300});
    loop.drain();
    EXPECT_EQ(delegate->take(), std::vector<std::string>{"resized " + std::to_string(id)});
    sim.setMinimized(id, true);
    loop.drain();
    auto calls = delegate->take();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), "minimize " + std::to_string(id));
    sim.setMinimized(id, false);
    open(pid, {200, 100, 400, 300});
    delegate->take();
    sim.focusWindow(id);
    loop.drain();
    calls = delegate->take();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "focus"), calls.end());

    // Nothing is delivered after unobserving, or to a delegate that is gone.
    tracker.unobserve(pid);
    sim.moveWindow(id, {300, 100, 400, 300});
    loop.drain();
    EXPECT_TRUE(delegate->take().empty());
    observe(pid);
    tracker.observeWindow(*window);
    std::weak_ptr<RecordingDelegate> weak = delegate;
    delegate.reset();
    sim.moveWindow(id, {350, 100, 400, 300});
    sim.focusWindow(id);
    loop.drain();
    EXPECT_TRUE(weak.expired());
}

TEST_F(WindowTrackerTest, ADestroyedWindowIsFoundThroughTheWindowList) {
    Pid pid = launch("com.example.editor", "Editor");
    observe(pid);
    WindowID kept = open(pid, {100, 100, 400, 300});
    WindowID forgotten = open(pid, {150, 100, 400, 300});
    tracker.observeWindow(*window(kept));
    tracker.observeWindow(*window(forgotten));
    loop.drain();
    delegate->take();

    const AXElement keptElement = sim.window(kept)->element;
    tracker.forgetWindow(forgotten);
    sim.closeWindow(forgotten);
    sim.closeWindow(kept);
    loop.drain();
    // The closed elements no longer give their numbers; only the listed one is still known.
    auto calls = delegate->take();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "destroyed " + std::to_string(kept)), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "destroyed " + std::to_string(forgotten)), 0);

    // It left the list when it was reported: another notification for it finds nothing.
    tracker.handle(keptElement, "AXWindowMoved");
    EXPECT_TRUE(delegate->take().empty());
}

}  // namespace
}  // namespace tessarin
