#include <algorithm>
#include <set>

#include <nlohmann/json.hpp>

#include "base/log.hpp"
#include "core/docking_plan.hpp"
#include "engine/engine_timing.hpp"
#include "engine/window_manager.hpp"
#include "platform/ax_names.hpp"
#include "settings/docking_store.hpp"
#include "system/ax.hpp"

// The engine gives the user's arrangement back at two levels: the strips themselves across a
// stop and start (window numbers live as long as the windows), and per monitor setup, by
// application and title, when a set of displays comes back.

namespace tessarin {

using namespace EngineTiming;

void WindowManager::scheduleSave() {
    cancelPendingSave();
    std::weak_ptr<WindowManager> weak = weak_from_this();
    run_.saveTimer = platform_.mainLoop.after(saveDelay, [weak] {
        if (auto self = weak.lock()) {
            self->run_.saveTimer.reset();
            self->saveLayoutNow();
        }
    });
}

void WindowManager::cancelPendingSave() {
    if (run_.saveTimer) platform_.mainLoop.cancel(*run_.saveTimer);
    run_.saveTimer.reset();
}

void WindowManager::saveLayoutNow() {
    cancelPendingSave();
    saveDockingLayout();
    if (!prefs_.rememberLayout() || !state_.isRunning) return;
    nlohmann::json strips = nlohmann::json::object();
    for (const auto& [key, strip] : run_.strips)
        strips[key] = toJson(strip);
    // A strip that cannot be stored (a number JSON cannot carry) leaves the last layout stored.
    prefs_.store().set(savedStripsKey, std::move(strips));
}

std::string WindowManager::currentSetupKey() const {
    std::vector<std::string> uuids;
    for (const Display& shown : state_.displays)
        uuids.push_back(shown.uuid);
    return DockingPlan::setupKey(uuids);
}

void WindowManager::saveDockingLayout() {
    if (!prefs_.dockingMemory() || !state_.isRunning || !state_.setupKey) return;
    // Between a display change and its handling the key still names the old setup; saving the
    // new arrangement under it would overwrite what that setup remembers.
    if (state_.displays.empty() || currentSetupKey() != *state_.setupKey) return;
    struct Entry {
        WindowID id;
        AXElement element;
        std::string bundleID;
    };
    struct Collected {
        std::string key;
        Strip strip;
        std::map<WindowID, Entry> windows;
    };
    std::vector<Collected> collected;
    std::map<std::string, std::string> names;
    for (const Display& shown : state_.displays) {
        auto found = run_.strips.find(shown.uuid);
        if (found == run_.strips.end() || found->second.isEmpty()) continue;
        Collected entry{shown.uuid, found->second, {}};
        for (WindowID id : found->second.windows()) {
            if (const ManagedWindow* known = run_.find(id)) {
                entry.windows.emplace(
                    id, Entry{id, known->window->element, known->window->bundleID.value_or("")});
            }
        }
        collected.push_back(std::move(entry));
        names[shown.uuid] = shown.name;
    }

    // Titles are read off the main loop: a slow application must not stall the engine.
    std::weak_ptr<WindowManager> weak = weak_from_this();
    Accessibility& ax = platform_.accessibility;
    MainLoop& mainLoop = platform_.mainLoop;
    const std::string setupKey = *state_.setupKey;
    platform_.queues.background().async([weak, &ax, &mainLoop, setupKey,
                                         collected = std::move(collected),
                                         names = std::move(names)] {
        SavedArrangement arrangement;
        arrangement.displayNames = names;
        for (const Collected& entry : collected) {
            std::vector<SavedColumn>& columns = arrangement.displays[entry.key];
            for (const Column& column : entry.strip.columns) {
                SavedColumn saved;
                for (WindowID id : column.windows) {
                    SavedWindow window{id, "", ""};
                    if (auto known = entry.windows.find(id); known != entry.windows.end()) {
                        window.bundleID = known->second.bundleID;
                        window.title =
                            AX::string(ax, known->second.element, AXName::title).value_or("");
                    }
                    saved.windows.push_back(std::move(window));
                }
                saved.heightWeights = column.heightWeights;
                saved.widthFraction = column.widthFraction;
                saved.savedFraction = column.savedFraction;
                columns.push_back(std::move(saved));
            }
        }
        mainLoop.post([weak, setupKey, arrangement = std::move(arrangement)]() mutable {
            auto self = weak.lock();
            if (!self) return;
            arrangement.savedAt = secondsSinceReferenceDate(std::chrono::system_clock::now());
            DockingStore store(self->prefs_.store());
            auto all = store.all();
            all[setupKey] = std::move(arrangement);
            store.write(all);
        });
    });
}

void WindowManager::restoreSavedLayout() {
    if (!prefs_.rememberLayout()) return;
    const auto stored = prefs_.store().object(savedStripsKey);
    if (!stored || !stored->is_object()) return;
    std::map<std::string, Strip> saved;
    for (const auto& [key, value] : stored->items()) {
        auto strip = stripFromJson(value);
        if (!strip) return;  // one bad entry: the data is not ours to trust
        saved.emplace(key, std::move(*strip));
    }

    // A window goes to one place only, even if a damaged save lists it twice.
    std::set<WindowID> placed;
    for (const auto& [key, savedStrip] : saved) {
        auto current = run_.strips.find(key);
        if (current == run_.strips.end()) continue;
        const std::vector<WindowID> present = current->second.windows();
        const std::set<WindowID> presentSet(present.begin(), present.end());
        std::set<WindowID> inSaved;
        std::vector<Column> columns;
        for (const Column& column : savedStrip.columns) {
            Column kept;
            for (std::size_t row = 0; row < column.windows.size(); ++row) {
                const WindowID id = column.windows[row];
                inSaved.insert(id);
                if (!presentSet.count(id) || !placed.insert(id).second) continue;
                kept.windows.push_back(id);
                kept.heightWeights.push_back(
                    row < column.heightWeights.size() ? column.heightWeights[row] : 1.0);
            }
            if (kept.windows.empty()) continue;
            kept.widthFraction = column.widthFraction;
            columns.push_back(std::move(kept));
        }
        // Windows opened since the save go to the right end, at the width they have now.
        for (const Column& column : current->second.columns) {
            for (WindowID id : column.windows) {
                if (inSaved.count(id) || !placed.insert(id).second) continue;
                columns.emplace_back(std::vector<WindowID>{id}, column.widthFraction);
            }
        }
        current->second = Strip(std::move(columns));
    }
}

void WindowManager::monitorSetupChanged() {
    // No display is no setup: nothing to remember or give back until one comes.
    if (state_.displays.empty()) return;
    const std::string key = currentSetupKey();
    if (state_.setupKey == key) return;
    state_.setupKey = key;
    std::string name;
    for (const Display& shown : state_.displays)
        name += (name.empty() ? "" : " + ") + shown.name;
    if (prefs_.dockingMemory()) {
        if (auto arrangement = DockingStore(prefs_.store()).get(key)) {
            restoreDockingLayout(*arrangement, name);
            return;
        }
    }
    Log::info("monitor setup changed to " + name +
              ": no saved layout yet, remembering from now on");
    scheduleSave();
}

void WindowManager::restoreDockingLayout(const SavedArrangement& arrangement,
                                         const std::string& name) {
    std::vector<LiveWindow> live;
    // Windows are never tiled on a display the user keeps out of tiling.
    std::set<std::string> connected;
    std::optional<std::string> first;
    for (const Display& shown : state_.displays) {
        if (isExcluded(shown.uuid)) continue;
        connected.insert(shown.uuid);
        if (!first) first = shown.uuid;
    }
    if (!first) return;
    for (const auto& [key, strip] : run_.strips) {
        for (WindowID id : strip.windows()) {
            const ManagedWindow* known = run_.find(id);
            LiveWindow window{id, "", ""};
            if (known) {
                window.bundleID = known->window->bundleID.value_or("");
                window.title =
                    AX::string(platform_.accessibility, known->window->element, AXName::title)
                        .value_or("");
            }
            live.push_back(std::move(window));
        }
    }
    std::map<std::string, Strip> result = DockingPlan::resolve(arrangement, live, connected);
    std::set<WindowID> placed;
    for (const auto& [key, strip] : result) {
        for (WindowID id : strip.windows())
            placed.insert(id);
    }
    const std::size_t matched = placed.size();

    // Windows the plan did not place keep their place, on the first display if theirs went.
    for (const auto& [key, strip] : run_.strips) {
        const std::string target = connected.count(key) ? key : *first;
        for (const Column& column : strip.columns) {
            std::vector<WindowID> left;
            for (WindowID id : column.windows) {
                if (placed.insert(id).second) left.push_back(id);
            }
            if (!left.empty()) result[target].columns.emplace_back(left, column.widthFraction);
        }
    }

    const auto focused = systemFocusedWindow();
    for (auto& [key, strip] : result) {
        if (focused) strip.focus(*focused);
        for (WindowID id : strip.windows()) {
            if (ManagedWindow* known = run_.find(id)) known->display = key;
        }
    }
    run_.strips = std::move(result);
    for (auto& [id, known] : run_.windows)
        known.lastApplied.reset();
    mover_->reset();
    layoutAll(false);
    Log::info("monitor setup changed to " + name + ": restored its saved layout (" +
              std::to_string(matched) + " of " + std::to_string(live.size()) + " windows placed)");
}

void WindowManager::releaseWindows() {
    for (const auto& [id, known] : run_.windows) {
        if (!known.lastApplied || !known.display) continue;
        const auto shown = display(*known.display);
        if (!shown) continue;
        const Rect& visible = shown->visibleFrame;
        const Rect& frame = *known.lastApplied;
        Rect released;
        released.width = std::min(frame.width, visible.width);
        released.height = std::min(frame.height, visible.height);
        released.x =
            std::min(std::max(frame.minX(), visible.minX()), visible.maxX() - released.width);
        released.y =
            std::min(std::max(frame.minY(), visible.minY()), visible.maxY() - released.height);
        if (released == frame) continue;
        known.window->setFrame(released, frame);
        mover_->forget(id);
    }
}

}  // namespace tessarin
