#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "engine_harness.hpp"

namespace tessarin::test {

// An overview panel that records what it was asked to show. Asking whether it is shown happens
// once per apply, so the questions count the applies.
class RecordingIndicator : public StripIndicator {
  public:
    struct Shown {
        StripIndicatorModel model;
        std::string display;
        bool sticky = false;
    };

    void show(const StripIndicatorModel& model, const Display& display, bool sticky) override {
        shown.push_back({model, display.uuid, sticky});
    }
    bool isVisible() const override {
        ++applies;
        return visible;
    }

    std::vector<Shown> shown;
    bool visible = false;
    mutable int applies = 0;
};

class RecordingBorder : public FocusBorder {
  public:
    struct Shown {
        Rect frame;
        WindowID window = 0;
        double width = 0;
    };
    void show(const Rect& frame, WindowID window, double width) override {
        shown = Shown{frame, window, width};
        visible = true;
    }
    void hide() override { visible = false; }
    std::optional<Shown> shown;
    bool visible = false;
};

// The desktop's workspace, counting the activations the engine asks for.
class CountingWorkspace : public Workspace {
  public:
    explicit CountingWorkspace(Workspace& inner) : inner_(inner) {}
    std::vector<RunningApplication> runningApplications() override {
        return inner_.runningApplications();
    }
    std::optional<RunningApplication> application(Pid pid) override {
        return inner_.application(pid);
    }
    std::optional<RunningApplication> frontmostApplication() override {
        return inner_.frontmostApplication();
    }
    bool activate(Pid pid) override {
        activations.push_back(pid);
        return inner_.activate(pid);
    }
    bool openURL(const std::string& url) override { return inner_.openURL(url); }
    ObserverID addObserver(Observer observer) override {
        return inner_.addObserver(std::move(observer));
    }
    void removeObserver(ObserverID id) override { inner_.removeObserver(id); }

    std::vector<Pid> activations;

  private:
    Workspace& inner_;
};

// The engine with recording hooks and a counting workspace, and helpers to build strips of
// windows through the engine's own admission.
class EngineTest : public EngineHarness {
  protected:
    RecordingIndicator indicator;
    RecordingBorder border;
    CountingWorkspace workspace{desktop.workspace()};

    void SetUp() override {
        hooks.indicator = &indicator;
        hooks.border = &border;
    }

    void start() {
        Platform base = desktop.platform(queues);
        Platform platform{base.accessibility, base.windowServer, base.screens,   base.pointer,
                          workspace,          base.mainLoop,     base.queues,    base.clock,
                          base.inputEvents,   base.hotKeys,      base.setupCheck};
        engine = WindowManager::create(platform, *prefs, hooks);
        engine->start();
        settle();
    }

    // Starts on the primary display and opens `count` windows, one column each, left to right.
    std::vector<WindowID> startWithColumns(int count) {
        plugPrimary();
        start();
        return openColumns(count);
    }

    WindowID openSetup(const sim::WindowSetup& setup) {
        if (!app) app = launch("com.example.editor", "Editor");
        auto id = desktop.openWindow(app, setup);
        EXPECT_TRUE(id.has_value());
        settle();
        return id.value_or(0);
    }

    // Performs and lets layout, animations and queued writes finish.
    void run(Action action) {
        engine->perform(action);
        settle();
    }

    double scroll() const { return strip() ? strip()->scrollOffset : 0; }
    std::optional<Rect> applied(WindowID id) const { return view().lastApplied(id); }

    // Writes of `attribute`, to one window or (with 0) to any; focus calls are "AXMain" writes.
    int writesTo(WindowID id, const std::string& attribute) const {
        const auto writes = desktop.writes();
        return static_cast<int>(std::count_if(writes.begin(), writes.end(), [&](const auto& w) {
            return (id == 0 || w.window == id) && w.attribute == attribute;
        }));
    }
    int frameWrites(WindowID id) const {
        return writesTo(id, "AXPosition") + writesTo(id, "AXSize");
    }
    int focusWrites() const { return writesTo(0, "AXMain"); }

    std::vector<std::string> actionLines() {
        std::vector<std::string> lines;
        for (const std::string& line : takeLog()) {
            if (line.rfind("action ", 0) == 0) lines.push_back(line);
        }
        return lines;
    }
};

using CommandsTest = EngineTest;

}  // namespace tessarin::test
