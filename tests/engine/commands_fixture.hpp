#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "engine_harness.hpp"

namespace tessarin::test {

// An overview panel that records what it was asked to show.
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
    bool isVisible() const override { return visible; }

    std::vector<Shown> shown;
    bool visible = false;
};

// Layout memory that records the calls the engine makes, in order.
class RecordingMemory : public LayoutMemory {
  public:
    void restoreSavedLayout(WindowManager&) override { calls.push_back("restore"); }
    void scheduleSave(WindowManager&) override { calls.push_back("schedule"); }
    void saveLayoutNow(WindowManager&) override { calls.push_back("saveNow"); }

    std::vector<std::string> calls;
};

// The engine on the 1440 × 900 primary display with recording hooks, and helpers to build a
// strip of single-window columns.
class CommandsTest : public EngineHarness {
  protected:
    RecordingIndicator indicator;
    RecordingMemory memory;

    void SetUp() override {
        hooks.indicator = &indicator;
        hooks.layoutMemory = &memory;
    }

    // Starts on the primary display and opens `count` windows, one column each, left to right.
    std::vector<WindowID> startWithColumns(int count) {
        plugPrimary();
        startEngine();
        return openColumns(count);
    }

    // Gives a window the system focus and lets the engine hear of it.
    void focus(WindowID id) {
        desktop.focusWindow(id);
        settle();
    }

    // Performs and lets layout, animations and queued writes finish.
    void run(Action action) {
        engine->perform(action);
        settle();
    }

    const Column& columnOf(WindowID id) {
        auto place = strip()->locate(id);
        EXPECT_TRUE(place.has_value());
        return strip()->columns.at(place ? place->first : 0);
    }

    std::vector<std::vector<WindowID>> layoutOf(const std::string& key = primaryUUID) {
        std::vector<std::vector<WindowID>> rows;
        if (const Strip* s = strip(key)) {
            for (const Column& column : s->columns)
                rows.push_back(column.windows);
        }
        return rows;
    }

    // Focus calls reach the window as an "AXMain" write.
    int focusWrites() {
        const auto writes = desktop.writes();
        return static_cast<int>(std::count_if(
            writes.begin(), writes.end(), [](const auto& w) { return w.attribute == "AXMain"; }));
    }

    std::vector<std::string> actionLines() {
        std::vector<std::string> lines;
        for (const std::string& line : takeLog()) {
            if (line.rfind("action ", 0) == 0) lines.push_back(line);
        }
        return lines;
    }
};

}  // namespace tessarin::test
