#include "scenario/sim_session.hpp"

#include <algorithm>

#include "base/log.hpp"

namespace tessarin {

SimSession::SimSession(double startTime) : loop_(startTime), desktop_(loop_), prefs_(store_) {
    Log::setObserver([this](std::string_view line) {
        std::lock_guard lock(logMutex_);
        log_.push_back({loop_.now(), std::string(line)});
    });
}

SimSession::~SimSession() {
    owner_.shutdown();
    Log::setObserver({});
}

WindowManager& SimSession::engine() {
    if (!owner_.engine()) owner_.adopt(WindowManager::create(desktop_.platform(queues_), prefs_));
    return *owner_.engine();
}

void SimSession::runPending() {
    runner_.runPending();
}

void SimSession::advance(double seconds, double step) {
    const double end = loop_.now() + std::max(0.0, seconds);
    for (;;) {
        runPending();
        if (loop_.now() >= end) break;
        loop_.advanceTo(std::min(end, loop_.now() + step));
    }
}

std::vector<SimSession::LogLine> SimSession::log() const {
    std::lock_guard lock(logMutex_);
    return log_;
}

std::size_t SimSession::logSize() const {
    std::lock_guard lock(logMutex_);
    return log_.size();
}

std::vector<SimSession::LogLine> SimSession::logSince(std::size_t from) const {
    std::lock_guard lock(logMutex_);
    if (from >= log_.size()) return {};
    return {log_.begin() + static_cast<std::ptrdiff_t>(from), log_.end()};
}

}  // namespace tessarin
