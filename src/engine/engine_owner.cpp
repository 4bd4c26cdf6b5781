#include "engine/engine_owner.hpp"

namespace tessarin {

EngineOwner::EngineOwner(std::function<void()> drainQueues, std::function<void()> closeBackend)
    : drainQueues_(std::move(drainQueues)), closeBackend_(std::move(closeBackend)) {}

EngineOwner::~EngineOwner() {
    shutdown();
}

void EngineOwner::shutdown() {
    if (done_) return;
    done_ = true;
    if (engine_) engine_->stop(false);
    // Writes already handed to a queue hold the mover and the windows, not the engine: they
    // finish against a backend that is still there.
    if (drainQueues_) drainQueues_();
    engine_.reset();
    if (drainQueues_) drainQueues_();
    if (closeBackend_) closeBackend_();
}

}  // namespace tessarin
