#include "scenario/sim_session.hpp"

#include <algorithm>
#include <cmath>

#include "base/log.hpp"
#include "input/slider_hit_test.hpp"

namespace tessarin {

SimSession::SimSession(double startTime, KeyValueStore* store)
    : loop_(startTime),
      desktop_(loop_),
      store_(store ? *store : memoryStore_),
      prefs_(store_),
      hotKeys_(desktop_.input()),
      input_(desktop_.platform(queues_), prefs_, store_, &hotKeys_, &keyboardLayout_,
             [this](Point point) {
                 return SliderHitTest::classify({desktop_.accessibility(), desktop_.windowServer()},
                                                point);
             }) {
    Log::setObserver([this](std::string_view line) {
        std::lock_guard lock(logMutex_);
        log_.push_back({loop_.now(), std::string(line)});
    });
    hotKeys_.onAction = [this](Action action) {
        if (owner_.engine()) owner_.engine()->perform(action);
    };
    hotKeys_.follow(prefs_, loop_);
}

SimSession::~SimSession() {
    owner_.shutdown();
    Log::setObserver({});
}

WindowManager& SimSession::engine() {
    if (!owner_.engine()) adoptEngine();
    return *owner_.engine();
}

void SimSession::adoptEngine() {
    owner_.adopt(
        WindowManager::create(desktop_.platform(queues_), prefs_,
                              {.input = &input_, .indicator = indicator_, .border = border_}));
}

void SimSession::restartEngine() {
    if (owner_.engine()) {
        owner_.engine()->stop(false);
        runPending();
    }
    // The old engine goes only now, with nothing of its own left queued.
    adoptEngine();
    owner_.engine()->start();
}

void SimSession::runPending() {
    runner_.runPending();
}

std::size_t SimSession::advance(double seconds, double step) {
    const double end = loop_.now() + std::max(0.0, seconds);
    std::size_t moves = 0;
    for (;; ++moves) {
        runPending();
        if (loop_.now() >= end) return moves;
        double next = loop_.now() + step;
        // Nothing posted and no write waiting: nothing can happen before the next timer, so
        // the clock goes there at once, landing on the same step boundary as step by step.
        if (loop_.postedCount() == 0 && queues_.pendingTotal() == 0) {
            const double due = loop_.nextDue().value_or(end);
            const double steps = std::ceil((std::min(due, end) - loop_.now()) / step);
            if (steps > 1) next = loop_.now() + steps * step;
        }
        loop_.advanceTo(std::min(end, next));
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
