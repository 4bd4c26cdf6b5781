#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "backends/sim/sim_desktop.hpp"
#include "backends/sim/sim_queue_runner.hpp"
#include "base/memory_store.hpp"
#include "base/stepped_executor.hpp"
#include "base/virtual_loop.hpp"
#include "core/keyboard_layout.hpp"
#include "engine/engine_owner.hpp"
#include "engine/window_manager.hpp"
#include "input/engine_input.hpp"
#include "input/hot_key_center.hpp"
#include "settings/preferences.hpp"

namespace tessarin {

// The engine on a simulated desktop with a virtual clock: the world a scenario, the headless
// demo and the engine benchmark run in. Nothing here reads the wall clock or starts a thread,
// so the same steps always give the same frames and log lines.
//
// The session watches the log while it exists (one session at a time per process).
class SimSession {
  public:
    // One animation frame at 120 Hz: the clock never jumps over a tick of the engine's timers.
    static constexpr double kStep = 1.0 / 120;

    struct LogLine {
        double time = 0;
        std::string text;

        bool operator==(const LogLine&) const = default;
    };

    // The settings live in memory unless `store` is given (it must outlive the session).
    explicit SimSession(double startTime = 0, KeyValueStore* store = nullptr);
    ~SimSession();
    SimSession(const SimSession&) = delete;
    SimSession& operator=(const SimSession&) = delete;

    VirtualLoop& loop() { return loop_; }
    SteppedExecutor& queues() { return queues_; }
    sim::SimDesktop& desktop() { return desktop_; }
    Preferences& preferences() { return prefs_; }
    double now() const { return loop_.now(); }

    // The engine, made on first use; it runs only once started. Its input taps and the hot
    // keys of the bindings come with it.
    WindowManager& engine();
    EngineInput& input() { return input_; }
    HotKeyCenter& hotKeys() { return hotKeys_; }
    bool hasEngine() const { return owner_.engine() != nullptr; }
    // The overview and the focus outline of the engines made from now on (they must outlive
    // the session's engine); none, the default, leaves the engine without them.
    void setOverlays(StripIndicator* indicator, FocusBorder* border) {
        indicator_ = indicator;
        border_ = border;
    }
    // Stops the engine and starts a new one over the same settings, as after a reboot that
    // left the windows open.
    void restartEngine();

    // Runs everything that is due without moving the clock: posted work, due timers and the
    // queued frame writes, until none is left. A queue busy with a slow application's call
    // stays busy until the clock has moved past that call's latency.
    void runPending();
    // Moves the clock in steps of at most `step`, running due work and queued writes between,
    // the way a real desktop's queues keep up with its main loop. While nothing is waiting the
    // clock goes straight to the step of the next timer. Returns how often the clock moved.
    std::size_t advance(double seconds, double step = kStep);

    // Every log line since the session began, stamped with the clock when it was written.
    std::vector<LogLine> log() const;
    std::size_t logSize() const;
    // Lines from `from` on.
    std::vector<LogLine> logSince(std::size_t from) const;

  private:
    void adoptEngine();

    VirtualLoop loop_;
    SteppedExecutor queues_;
    sim::SimDesktop desktop_;
    sim::QueueRunner runner_{loop_, queues_, desktop_};
    MemoryStore memoryStore_;
    UsKeyboardLayout keyboardLayout_;
    KeyValueStore& store_;
    Preferences prefs_;
    HotKeyCenter hotKeys_;
    EngineInput input_;
    StripIndicator* indicator_ = nullptr;
    FocusBorder* border_ = nullptr;
    // Stops the engine, then runs out the queued writes while the desktop is still there.
    EngineOwner owner_{[this] { runPending(); }};
    mutable std::mutex logMutex_;
    std::vector<LogLine> log_;
};

}  // namespace tessarin
