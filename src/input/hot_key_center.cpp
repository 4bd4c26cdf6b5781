#include "input/hot_key_center.hpp"

#include <algorithm>

namespace tessarin {

HotKeyCenter::HotKeyCenter(HotKeys& system) : system_(system) {}

HotKeyCenter::~HotKeyCenter() {
    if (followed_ && observer_) followed_->willChange.disconnect(*observer_);
    if (handlerInstalled_) system_.setHandler({});
}

void HotKeyCenter::follow(Preferences& prefs, MainLoop& loop) {
    if (followed_ && observer_) followed_->willChange.disconnect(*observer_);
    followed_ = &prefs;
    auto reload = [this, &prefs] {
        bindings = prefs.bindings();
        if (!suspended) registerAll();
    };
    reload();
    std::weak_ptr<bool> alive = alive_;
    observer_ = prefs.willChange.connect([reload, alive, &loop](std::string_view key) {
        // A new base modifier moves the bindings with it, through this same key.
        if (key != "bindings") return;
        loop.post([reload, alive] {
            if (alive.lock()) reload();
        });
    });
}

void HotKeyCenter::registerAll() {
    if (!handlerInstalled_) {
        // A press already on its way when the center goes finds it gone.
        system_.setHandler([this, alive = std::weak_ptr<bool>(alive_)](HotKeyID id) {
            if (alive.lock()) handlePress(id);
        });
        handlerInstalled_ = true;
    }
    unregisterAll();
    failed_.clear();
    // Ids are spent only on registrations that succeed, so they run 1, 2, 3 … without gaps.
    std::uint32_t id = 1;
    for (Action action : allActions()) {
        const auto entry = bindings.find(action);
        if (entry == bindings.end()) continue;
        for (const KeyCombo& combo : entry->second) {
            const auto ref =
                system_.registerHotKey(combo.keyCode, combo.modifiers, {kSignature, id});
            if (!ref) {
                if (std::ranges::find(failed_, combo) == failed_.end()) failed_.push_back(combo);
                continue;
            }
            refs_.push_back(*ref);
            actions_[id] = action;
            ++id;
        }
    }
}

void HotKeyCenter::unregisterAll() {
    for (HotKeys::Ref ref : refs_)
        system_.unregisterHotKey(ref);
    refs_.clear();
    actions_.clear();
}

void HotKeyCenter::handlePress(HotKeyID id) {
    // Ids alone name presses; one left over from an earlier table finds nothing.
    const auto entry = actions_.find(id.id);
    if (entry != actions_.end() && onAction) onAction(entry->second);
}

}  // namespace tessarin
