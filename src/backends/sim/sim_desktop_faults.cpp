#include "backends/sim/sim_desktop.hpp"

namespace tessarin::sim {

void SimDesktop::setPointer(Point location) {
    std::lock_guard lock(core_->mutex());
    core_->pointer = location;
}

Point SimDesktop::pointerLocation() const {
    std::lock_guard lock(core_->mutex());
    return core_->pointer;
}

void SimDesktop::setPressedButtons(std::uint32_t buttons) {
    std::lock_guard lock(core_->mutex());
    core_->buttons = buttons;
}

void SimDesktop::setModifierFlags(std::uint32_t flags) {
    std::lock_guard lock(core_->mutex());
    core_->modifiers = flags;
}

std::vector<Point> SimDesktop::warps() const {
    std::lock_guard lock(core_->mutex());
    return core_->warps;
}

void SimDesktop::setWriteLatency(Pid pid, double seconds) {
    std::lock_guard lock(core_->mutex());
    if (AppState* app = core_->appLocked(pid)) app->writeLatency = seconds;
}

void SimDesktop::setHung(Pid pid, HangMode mode) {
    std::lock_guard lock(core_->mutex());
    if (AppState* app = core_->appLocked(pid)) app->hang = mode;
    core_->changed().notify_all();
}

void SimDesktop::releaseHungCalls(Pid pid) {
    std::lock_guard lock(core_->mutex());
    if (AppState* app = core_->appLocked(pid)) ++app->hangReleases;
    core_->changed().notify_all();
}

void SimDesktop::waitForBlockedCalls(Pid pid, int count) {
    std::unique_lock lock(core_->mutex());
    core_->changed().wait(lock, [&] {
        const AppState* app = core_->appLocked(pid);
        return !app || app->blockedCalls >= count;
    });
}

int SimDesktop::blockedCalls(Pid pid) const {
    std::lock_guard lock(core_->mutex());
    const AppState* app = core_->appLocked(pid);
    return app ? app->blockedCalls : 0;
}

void SimDesktop::failObserverRegistrations(Pid pid, int observers, AXError error) {
    std::lock_guard lock(core_->mutex());
    if (AppState* app = core_->appLocked(pid)) {
        app->failingObservers = observers;
        app->registrationFailure = error;
    }
}

void SimDesktop::failObserverCreation(Pid pid, bool fails) {
    std::lock_guard lock(core_->mutex());
    if (AppState* app = core_->appLocked(pid)) app->observerCreationFails = fails;
}

void SimDesktop::setTrusted(bool trusted) {
    std::lock_guard lock(core_->mutex());
    core_->trusted = trusted;
}

int SimDesktop::trustPrompts() const {
    std::lock_guard lock(core_->mutex());
    return core_->prompts;
}

void SimDesktop::setWindowListReadable(bool readable) {
    std::lock_guard lock(core_->mutex());
    core_->windowListReadable = readable;
}

std::vector<AttributeWrite> SimDesktop::writes() const {
    std::lock_guard lock(core_->mutex());
    return core_->writes;
}

void SimDesktop::clearWrites() {
    std::lock_guard lock(core_->mutex());
    core_->writes.clear();
}

void SimDesktop::setRecordingWrites(bool recording) {
    std::lock_guard lock(core_->mutex());
    core_->recordingWrites = recording;
}

double SimDesktop::spentLatency() const {
    std::lock_guard lock(core_->mutex());
    return core_->spentLocked();
}

void SimDesktop::setSystemPreference(const std::string& domain, const std::string& key,
                                     nlohmann::json value) {
    std::lock_guard lock(core_->mutex());
    core_->preferences[domain][key] = std::move(value);
}

void SimDesktop::removeSystemPreference(const std::string& domain, const std::string& key) {
    std::lock_guard lock(core_->mutex());
    core_->preferences[domain].erase(key);
}

void SimDesktop::setSystemMajorVersion(int major) {
    std::lock_guard lock(core_->mutex());
    core_->systemMajorVersion = major;
}

}  // namespace tessarin::sim
