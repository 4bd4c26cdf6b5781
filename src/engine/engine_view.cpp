#include "engine/engine_view.hpp"

#include <algorithm>

namespace tessarin {

const char* rawValue(WindowRole role) {
    switch (role) {
        case WindowRole::unknown:
            return "unknown";
        case WindowRole::tiled:
            return "tiled";
        case WindowRole::floating:
            return "floating";
        case WindowRole::dormant:
            return "dormant";
        case WindowRole::detached:
            return "detached";
        case WindowRole::lost:
            return "lost";
    }
    return "unknown";
}

namespace {

bool holds(const std::map<std::string, Strip>& strips, WindowID id) {
    return std::any_of(strips.begin(), strips.end(),
                       [id](const auto& entry) { return entry.second.contains(id); });
}

}  // namespace

const Strip* EngineView::strip(const std::string& key) const {
    auto found = run_.strips.find(key);
    return found == run_.strips.end() ? nullptr : &found->second;
}

std::vector<WindowID> EngineView::windows() const {
    std::vector<WindowID> ids;
    ids.reserve(run_.windows.size());
    for (const auto& [id, window] : run_.windows)
        ids.push_back(id);
    return ids;
}

AXWindowPtr EngineView::window(WindowID id) const {
    const ManagedWindow* known = run_.find(id);
    return known ? known->window : nullptr;
}

std::optional<WindowID> EngineView::focusedWindow() const {
    const Strip* active = state_.activeKey ? strip(*state_.activeKey) : nullptr;
    return active ? active->focusedWindow() : std::nullopt;
}

WindowRole EngineView::role(WindowID id) const {
    if (!run_.windows.count(id)) return WindowRole::unknown;
    if (run_.floating.count(id)) return WindowRole::floating;
    if (run_.dormant.count(id)) return WindowRole::dormant;
    if (holds(run_.strips, id)) return WindowRole::tiled;
    return holds(run_.detached, id) ? WindowRole::detached : WindowRole::lost;
}

std::optional<std::string> EngineView::displayOf(WindowID id) const {
    const ManagedWindow* known = run_.find(id);
    return known ? known->display : std::nullopt;
}

const Dormant* EngineView::dormant(WindowID id) const {
    auto found = run_.dormant.find(id);
    return found == run_.dormant.end() ? nullptr : &found->second;
}

std::optional<Rect> EngineView::lastApplied(WindowID id) const {
    const ManagedWindow* known = run_.find(id);
    return known ? known->lastApplied : std::nullopt;
}

int EngineView::missCount(WindowID id) const {
    const ManagedWindow* known = run_.find(id);
    return known ? known->missCount : 0;
}

std::optional<ScrollAnimation> EngineView::animation(const std::string& key) const {
    auto found = run_.animations.find(key);
    if (found == run_.animations.end()) return std::nullopt;
    return found->second;
}

const Morph* EngineView::morph(const std::string& key) const {
    auto found = run_.morphs.find(key);
    return found == run_.morphs.end() ? nullptr : &found->second;
}

std::optional<std::string> EngineView::bookkeepingFault() const {
    auto name = [](WindowID id) { return "window " + std::to_string(id); };
    std::set<WindowID> tiled;
    for (const auto& [key, strip] : run_.strips) {
        for (WindowID id : strip.windows()) {
            if (!tiled.insert(id).second) return name(id) + " is in two strips";
            const ManagedWindow* known = run_.find(id);
            if (!known) return "unknown " + name(id) + " in the strip of " + key;
            if (known->display != key) {
                return name(id) + " is in the strip of " + key + " but said to be on " +
                       known->display.value_or("none");
            }
        }
    }
    // With no display to tile on, tiled windows wait in the strip of the display that went.
    std::set<WindowID> waiting;
    const bool noneTiled =
        std::all_of(state_.displays.begin(), state_.displays.end(), [this](const Display& shown) {
            return std::find(excluded_.begin(), excluded_.end(), shown.uuid) != excluded_.end();
        });
    if (noneTiled) {
        for (const auto& [key, strip] : run_.detached) {
            for (WindowID id : strip.windows()) {
                const ManagedWindow* known = run_.find(id);
                if (known && known->display == key) waiting.insert(id);
            }
        }
    }
    for (const auto& [id, window] : run_.windows) {
        const std::size_t places =
            tiled.count(id) + waiting.count(id) + run_.floating.count(id) + run_.dormant.count(id);
        if (places != 1) {
            return name(id) + " is in " + std::to_string(places) +
                   " places (tiled, floating, dormant)";
        }
        if (!run_.floating.count(id) && !window.display) return name(id) + " has no display";
        if (window.missCount > 0 && !tiled.count(id)) return "untiled " + name(id) + " has misses";
    }
    auto onlyKnown = [&](const char* what, const auto& ids) -> std::optional<std::string> {
        for (WindowID id : ids) {
            if (!run_.windows.count(id)) return std::string(what) + " keeps unknown " + name(id);
        }
        return std::nullopt;
    };
    std::vector<WindowID> dormantIDs;
    for (const auto& [id, place] : run_.dormant)
        dormantIDs.push_back(id);
    for (auto fault : {onlyKnown("floating", run_.floating), onlyKnown("dormant", dormantIDs),
                       onlyKnown("pendingMoves", run_.pendingMoves),
                       onlyKnown("pendingResizes", run_.pendingResizes),
                       onlyKnown("fullscreenManaged", run_.fullscreenManaged)}) {
        if (fault) return fault;
    }
    for (const auto& [id, height] : run_.minHeights) {
        if (!run_.windows.count(id)) return "minHeights keeps unknown " + name(id);
    }
    for (WindowID id : run_.fullscreenManaged) {
        if (!run_.dormant.count(id)) return "full-screen " + name(id) + " is not dormant";
    }
    if (!state_.isRunning && !run_.windows.empty())
        return std::string("a stopped engine knows windows");
    return std::nullopt;
}

}  // namespace tessarin
