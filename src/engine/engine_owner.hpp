#pragma once

#include <functional>
#include <memory>

#include "engine/window_manager.hpp"

namespace tessarin {

// Owns a running engine and stops it, and what its work runs on, in the one safe order: the
// engine first (no new frames), then the mover's queues drained (no write left on a worker
// thread), then the backend closed. So nothing on a worker thread outlives what it uses. The
// program and the simulated session both hold their engine through one of these.
class EngineOwner {
  public:
    // `drainQueues` runs or waits out every block queued on the mover's queues; `closeBackend`
    // ends the backend (may be empty when the backend's owner ends it right after this object).
    EngineOwner(std::function<void()> drainQueues, std::function<void()> closeBackend = {});
    ~EngineOwner();
    EngineOwner(const EngineOwner&) = delete;
    EngineOwner& operator=(const EngineOwner&) = delete;

    void adopt(std::shared_ptr<WindowManager> engine) { engine_ = std::move(engine); }
    WindowManager* engine() const { return engine_.get(); }

    // Stops everything in order; later calls do nothing. The destructor calls it.
    void shutdown();

  private:
    std::function<void()> drainQueues_;
    std::function<void()> closeBackend_;
    std::shared_ptr<WindowManager> engine_;
    bool done_ = false;
};

}  // namespace tessarin
