#include "backends/sim/sim_input.hpp"

#include <algorithm>

namespace tessarin::sim {

class SimInput::Tap : public EventTap {
  public:
    Tap(SimInput& input, std::shared_ptr<TapState> state)
        : input_(input), state_(std::move(state)) {}
    ~Tap() override {
        std::lock_guard lock(input_.mutex_);
        state_->alive = false;
        std::erase(input_.taps_, state_);
    }
    void setEnabled(bool enabled) override {
        std::lock_guard lock(input_.mutex_);
        state_->enabled = enabled;
    }
    bool isEnabled() const override {
        std::lock_guard lock(input_.mutex_);
        return state_->enabled;
    }
    MainLoop& loop() override { return input_.loop_; }

  private:
    SimInput& input_;
    std::shared_ptr<TapState> state_;
};

std::unique_ptr<EventTap> SimInput::createTap(std::uint64_t mask, TapPlacement,
                                              const std::string& threadName, Callback callback) {
    std::lock_guard lock(mutex_);
    if (tapsRefused_) return nullptr;
    auto state = std::make_shared<TapState>();
    state->mask = mask;
    state->callback = std::move(callback);
    state->threadName = threadName;
    taps_.push_back(state);
    return std::make_unique<Tap>(*this, state);
}

void SimInput::post(const InputEvent& event) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(event);
    }
    loop_.post([this, event] { send(event); });
}

bool SimInput::threeFingerDragEnabled() {
    std::lock_guard lock(mutex_);
    return threeFingerDrag_;
}

bool SimInput::send(const InputEvent& event) {
    std::vector<std::shared_ptr<TapState>> taps;
    {
        std::lock_guard lock(mutex_);
        taps.assign(taps_.rbegin(), taps_.rend());
    }
    const std::uint64_t bit = eventMaskBit(event.type);
    for (const auto& tap : taps) {
        {
            std::lock_guard lock(mutex_);
            if (!tap->alive || !tap->enabled || !(tap->mask & bit)) continue;
        }
        if (tap->callback(event) == TapVerdict::swallow) return false;
    }
    std::lock_guard lock(mutex_);
    delivered_.push_back(event);
    return true;
}

std::vector<InputEvent> SimInput::delivered() const {
    std::lock_guard lock(mutex_);
    return delivered_;
}

void SimInput::clearDelivered() {
    std::lock_guard lock(mutex_);
    delivered_.clear();
}

std::vector<InputEvent> SimInput::posted() const {
    std::lock_guard lock(mutex_);
    return posted_;
}

void SimInput::disableTaps(InputEventType reason) {
    std::vector<std::shared_ptr<TapState>> taps;
    {
        std::lock_guard lock(mutex_);
        for (const auto& tap : taps_) {
            if (!tap->enabled) continue;
            tap->enabled = false;
            taps.push_back(tap);
        }
    }
    InputEvent notice;
    notice.type = reason;
    for (const auto& tap : taps) {
        bool alive;
        {
            std::lock_guard lock(mutex_);
            alive = tap->alive;
        }
        if (alive) tap->callback(notice);
    }
}

int SimInput::liveTaps() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(taps_.size());
}

int SimInput::enabledTaps() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::ranges::count_if(taps_, [](const auto& t) { return t->enabled; }));
}

std::vector<std::string> SimInput::tapThreads() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& tap : taps_)
        names.push_back(tap->threadName);
    return names;
}

void SimInput::setTapsRefused(bool refused) {
    std::lock_guard lock(mutex_);
    tapsRefused_ = refused;
}

void SimInput::setThreeFingerDrag(bool enabled) {
    std::lock_guard lock(mutex_);
    threeFingerDrag_ = enabled;
}

void SimInput::setHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::optional<HotKeys::Ref> SimInput::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                     HotKeyID id) {
    std::lock_guard lock(mutex_);
    const std::pair combo{keyCode, modifiers};
    // The system gives a combination to one registration at a time.
    if (taken_.contains(combo)) return std::nullopt;
    for (const auto& [ref, entry] : registered_)
        if (entry.first == combo) return std::nullopt;
    const Ref ref = nextRef_++;
    registered_[ref] = {combo, id};
    return ref;
}

void SimInput::unregisterHotKey(Ref ref) {
    std::lock_guard lock(mutex_);
    registered_.erase(ref);
}

void SimInput::takeCombination(std::uint32_t keyCode, std::uint32_t modifiers) {
    std::lock_guard lock(mutex_);
    taken_.insert({keyCode, modifiers});
}

bool SimInput::pressKey(std::uint32_t keyCode, std::uint32_t modifiers) {
    std::lock_guard lock(mutex_);
    for (const auto& [ref, entry] : registered_) {
        if (entry.first != std::pair{keyCode, modifiers}) continue;
        const HotKeyID id = entry.second;
        loop_.post([this, id] {
            Handler handler;
            {
                std::lock_guard inner(mutex_);
                handler = handler_;
            }
            if (handler) handler(id);
        });
        return true;
    }
    return false;
}

std::vector<std::pair<std::pair<std::uint32_t, std::uint32_t>, HotKeyID>> SimInput::hotKeys()
    const {
    std::lock_guard lock(mutex_);
    std::vector<std::pair<std::pair<std::uint32_t, std::uint32_t>, HotKeyID>> out;
    for (const auto& [ref, entry] : registered_)
        out.push_back(entry);
    return out;
}

}  // namespace tessarin::sim
