#include "base/log.hpp"

#include <cstdio>
#include <mutex>

namespace tessarin {

namespace {
std::mutex observerMutex;
Log::Observer observer;
}  // namespace

// Interim sink until the rotating file log lands.
void Log::info(std::string_view message) {
    {
        std::lock_guard lock(observerMutex);
        if (observer) observer(message);
    }
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
}

void Log::setObserver(Observer newObserver) {
    std::lock_guard lock(observerMutex);
    observer = std::move(newObserver);
}

}  // namespace tessarin
