#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/engine_reading.hpp"
#include "base/main_loop.hpp"

namespace tessarin {

// The events that take `before` to `after`, in the order a follower wants them: displays gone
// and come, windows closed and changed, strips laid out anew, focus. Shapes in docs/ipc.md.
std::vector<nlohmann::json> eventsBetween(const EventSnapshot& before, const EventSnapshot& after);

// The stream behind `tessarin msg subscribe`. The engine says when something may have changed
// (often: every animation frame); the feed compares a small snapshot once per main-loop turn
// and publishes one JSON line per difference. While nobody listens it reads nothing.
class EventFeed {
  public:
    using Engine = std::function<const WindowManager*()>;
    using Publish = std::function<void(const std::string& line)>;
    using Listeners = std::function<std::size_t()>;

    EventFeed(MainLoop& loop, Engine engine, Publish publish, Listeners listeners);

    // For the engine's `onLayoutChange`.
    void changed();
    // For a subscriber about to join: the present listeners get what changed until now, and
    // the newcomer the lines that build the present state from nothing (one per line).
    std::string subscribe();

  private:
    void compare();
    EventSnapshot current() const;

    MainLoop& loop_;
    Engine engine_;
    Publish publish_;
    Listeners listeners_;
    // What the listeners know; none while nobody listens.
    std::optional<EventSnapshot> last_;
    bool posted_ = false;
    // Posted comparisons hold it weakly and end quietly once the feed is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tessarin
