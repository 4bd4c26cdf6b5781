#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "backends/sim/sim_desktop.hpp"
#include "base/log.hpp"
#include "base/stepped_executor.hpp"
#include "base/virtual_loop.hpp"
#include "system/ax_window.hpp"

namespace tessarin::test {

// Collects the log lines written while it lives; nothing goes to a file or the system logger.
class LogLines {
  public:
    LogLines() {
        Log::Options options{};
        options.systemLog = false;
        Log::configure(options);
        Log::setObserver([this](std::string_view line) {
            std::lock_guard guard(mutex_);
            lines_.emplace_back(line);
        });
    }
    ~LogLines() { Log::setObserver({}); }

    std::vector<std::string> all() const {
        std::lock_guard guard(mutex_);
        return lines_;
    }
    // The lines that start with `prefix`.
    std::vector<std::string> starting(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& line : all()) {
            if (line.rfind(prefix, 0) == 0) found.push_back(line);
        }
        return found;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// One primary display of 1440 × 900 on a virtual-time loop, queues that run only when stepped.
class SimFixture : public ::testing::Test {
  protected:
    SimFixture() {
        sim::DisplaySetup display;
        display.uuid = "PRIMARY";
        display.name = "Built-in";
        display.frame = {0, 0, 1440, 900};
        sim.plugDisplay(display);
    }

    Pid launch(std::optional<std::string> bundleID, std::string name = "App") {
        sim::AppSetup setup;
        setup.bundleID = std::move(bundleID);
        setup.name = std::move(name);
        return sim.launch(setup);
    }

    WindowID open(Pid pid, Rect frame, Size minimumSize = {}) {
        sim::WindowSetup setup;
        setup.title = "Window";
        setup.frame = frame;
        setup.minimumSize = minimumSize;
        return sim.openWindow(pid, setup).value_or(0);
    }

    std::shared_ptr<AXWindow> window(WindowID id) {
        auto snapshot = sim.window(id);
        if (!snapshot) return nullptr;
        return AXWindow::create(sim.accessibility(), sim.workspace(), snapshot->element,
                                snapshot->pid);
    }

    // One application that hangs as `mode` says, one that answers, each with a window.
    struct HungAndLively {
        Pid hung;
        Pid lively;
        std::shared_ptr<AXWindow> stuck;
        std::shared_ptr<AXWindow> moving;
    };
    HungAndLively hungAndLively(sim::HangMode mode) {
        HungAndLively apps;
        apps.hung = launch("com.example.hung");
        apps.lively = launch("com.example.lively");
        apps.stuck = window(open(apps.hung, {100, 100, 400, 300}));
        apps.moving = window(open(apps.lively, {600, 100, 400, 300}));
        sim.setHung(apps.hung, mode);
        return apps;
    }

    Rect frameOf(WindowID id) { return sim.window(id).value_or(sim::WindowSnapshot{}).frame; }

    // The attribute names written to one window, in order.
    std::vector<std::string> writtenAttributes(WindowID id) {
        std::vector<std::string> names;
        for (const sim::AttributeWrite& write : sim.writes()) {
            if (write.window == id) names.push_back(write.attribute);
        }
        return names;
    }

    LogLines log;
    VirtualLoop loop;
    sim::SimDesktop sim{loop};
    SteppedExecutor queues;
};

}  // namespace tessarin::test
