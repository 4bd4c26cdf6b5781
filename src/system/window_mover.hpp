#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "base/main_loop.hpp"
#include "base/serial_queue.hpp"
#include "core/geometry.hpp"
#include "core/window_id.hpp"
#include "platform/accessibility.hpp"
#include "platform/platform.hpp"
#include "system/ax_window.hpp"

namespace tessarin {

// Applies window frames off the main loop, on one sequential queue per application, so that a
// slow or hung application delays only its own windows. Frames waiting for a window are
// coalesced (only the newest is written), and a window that keeps a larger size than written is
// reported as its minimum size.
class WindowMover : public std::enable_shared_from_this<WindowMover> {
  public:
    using MinimumSizeCallback = std::function<void(WindowID id, Size actual, Size wanted)>;

    // Writes slower than this are logged.
    static constexpr int slowMilliseconds = 30;
    // A size larger than written by more than this is a refusal to shrink.
    static constexpr double minimumSizeTolerance = 4;
    // The second look at a refused size, giving the application time to settle.
    static constexpr double minimumSizeRecheck = 0.15;
    // How long an application's enhanced-interface state is trusted before reading it again.
    static constexpr double enhancedUIValidity = 5.0;

    static std::string queueLabel(Pid pid) { return "com.tessarin.ax." + std::to_string(pid); }

    static std::shared_ptr<WindowMover> create(Accessibility& ax, QueueFactory& queues,
                                               MainLoop& mainLoop, const Clock& clock);

    // Set once by the engine at start; called on the main loop.
    void setOnMinimumSize(MinimumSizeCallback callback);

    // Queues the newest wanted frame of a window. Any thread.
    void move(const AXWindowPtr& window, const Rect& frame);
    // Runs `block` on the application's queue after whatever is queued there already.
    void read(Pid pid, Task block);
    // The next write of the window is a full size-position-size write.
    void forget(WindowID id);
    // Drops every waiting frame and all memory of sizes and enhanced-interface states. A running
    // drain finds nothing more and ends.
    void reset();
    // The application has ended: its queue runs what it holds, then goes with its thread.
    void release(Pid pid);
    // Turns the application's "AXEnhancedUserInterface" on, on its own queue, so that every
    // write of that attribute comes from here and never lands inside a run of frame writes.
    // `turnedOn` runs on that queue when it was off and is now asked to be on.
    void keepEnhancedUIOn(Pid pid, std::function<void()> turnedOn);

  private:
    struct Key {
        explicit Key() = default;
    };

  public:
    WindowMover(Key, Accessibility& ax, QueueFactory& queues, MainLoop& mainLoop,
                const Clock& clock);

  private:
    struct Job {
        AXWindowPtr window;
        Rect frame;
    };
    struct EnhancedUI {
        bool on = false;
        double checked = 0;
    };

    std::shared_ptr<SerialQueue> queueLocked(Pid pid);
    void drain(Pid pid);
    void withEnhancedUIOff(Pid pid, const std::function<void()>& body);
    void apply(const Job& job);
    void scheduleMinimumSizeCheck(const AXWindowPtr& window, Size written);
    void checkMinimumSize(const AXWindowPtr& window, Size written);
    int millisecondsSince(double start) const;

    Accessibility& ax_;
    QueueFactory& queueFactory_;
    MainLoop& mainLoop_;
    const Clock& clock_;

    // Guards every field below; never held across an accessibility call.
    std::mutex lock_;
    MinimumSizeCallback onMinimumSize_;
    std::map<Pid, std::shared_ptr<SerialQueue>> queues_;
    std::map<Pid, std::map<WindowID, Job>> pending_;
    std::set<Pid> draining_;
    std::map<WindowID, Size> lastSize_;
    std::map<Pid, EnhancedUI> enhancedUI_;
};

}  // namespace tessarin
