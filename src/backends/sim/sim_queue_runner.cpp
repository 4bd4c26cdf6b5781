#include "backends/sim/sim_queue_runner.hpp"

#include "backends/sim/sim_desktop.hpp"

namespace tessarin::sim {

bool QueueRunner::isBusy(const std::string& label) const {
    auto found = busyUntil_.find(label);
    return found != busyUntil_.end() && loop_.now() < found->second;
}

std::size_t QueueRunner::runPending() {
    std::size_t total = 0;
    for (;;) {
        std::size_t ran = loop_.drain();
        // One block per free queue in turn, so no queue starves the others.
        for (const std::string& label : queues_.labelsWithWork()) {
            if (isBusy(label)) continue;
            const double before = desktop_.spentLatency();
            if (!queues_.step(label)) continue;
            ++ran;
            const double spent = desktop_.spentLatency() - before;
            if (spent > 0) busyUntil_[label] = loop_.now() + spent;
        }
        if (ran == 0) return total;
        total += ran;
    }
}

}  // namespace tessarin::sim
