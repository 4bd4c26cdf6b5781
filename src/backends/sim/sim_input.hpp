#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "base/main_loop.hpp"
#include "platform/input.hpp"

namespace tessarin::sim {

// The simulated keyboard, mouse and trackpad: taps and hot keys as the system keeps them, and
// the events a test sends through them. Every callback runs on the thread that sends the event
// (in the sim that is the main loop's), whatever placement the tap asked for; a tap on its own
// thread still hands its work to the main loop, so the order of things stays what it would be.
class SimInput : public InputEvents, public HotKeys {
  public:
    explicit SimInput(MainLoop& loop) : loop_(loop) {}

    // --- InputEvents
    std::unique_ptr<EventTap> createTap(std::uint64_t mask, TapPlacement placement,
                                        const std::string& threadName, Callback callback) override;
    // Queued on the main loop, as the system queues posted events, so a tap that posts from
    // its callback is not called back inside it.
    void post(const InputEvent& event) override;
    bool threeFingerDragEnabled() override;

    // --- HotKeys
    void setHandler(Handler handler) override;
    std::optional<Ref> registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                      HotKeyID id) override;
    void unregisterHotKey(Ref ref) override;

    // --- the user and the system, for tests
    // Runs the event through the enabled taps that asked for its type, newest first; true when
    // it reached the application under the pointer (no tap swallowed it).
    bool send(const InputEvent& event);
    // Every event that reached an application, in order; events a tap posted back included.
    std::vector<InputEvent> delivered() const;
    void clearDelivered();
    // Events taps posted back, in order.
    std::vector<InputEvent> posted() const;
    // The system switches every enabled tap off and tells it so.
    void disableTaps(InputEventType reason = InputEventType::tapDisabledByTimeout);
    // Taps created and not yet destroyed, and how many of them are enabled.
    int liveTaps() const;
    int enabledTaps() const;
    std::vector<std::string> tapThreads() const;
    // No permission to watch input: every new tap is refused.
    void setTapsRefused(bool refused);
    void setThreeFingerDrag(bool enabled);

    // A combination another program holds: registering it is refused.
    void takeCombination(std::uint32_t keyCode, std::uint32_t modifiers);
    // The user presses a combination; true when a hot key caught it (its handler runs on the
    // main loop).
    bool pressKey(std::uint32_t keyCode, std::uint32_t modifiers);
    // Registered combinations, in registration order, with their ids.
    std::vector<std::pair<std::pair<std::uint32_t, std::uint32_t>, HotKeyID>> hotKeys() const;

  private:
    struct TapState {
        std::uint64_t mask = 0;
        Callback callback;
        std::string threadName;
        bool enabled = false;
        bool alive = true;
    };
    class Tap;

    MainLoop& loop_;
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<TapState>> taps_;
    std::vector<InputEvent> delivered_;
    std::vector<InputEvent> posted_;
    bool tapsRefused_ = false;
    bool threeFingerDrag_ = false;

    Handler handler_;
    Ref nextRef_ = 1;
    std::map<Ref, std::pair<std::pair<std::uint32_t, std::uint32_t>, HotKeyID>> registered_;
    std::set<std::pair<std::uint32_t, std::uint32_t>> taken_;
};

}  // namespace tessarin::sim
