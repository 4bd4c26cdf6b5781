#pragma once

// The plain greedy matcher, written the obvious way: a pool copied from the live windows, a
// linear scan per saved window and an erase per match (of every entry with the matched number).
// Tests and the benchmark compare DockingPlan::resolve against it.

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/saved_arrangement.hpp"
#include "core/strip.hpp"

namespace tessarin::test {

inline std::map<std::string, Strip> referenceResolve(const SavedArrangement& arrangement,
                                                     const std::vector<LiveWindow>& live,
                                                     const std::set<std::string>& displays) {
    std::vector<std::string> considered;
    for (const auto& [display, columns] : arrangement.displays) {
        if (displays.count(display)) considered.push_back(display);
    }
    std::sort(considered.begin(), considered.end());

    std::vector<LiveWindow> pool = live;
    auto take = [&pool](auto predicate) -> std::optional<WindowID> {
        auto it = std::find_if(pool.begin(), pool.end(), predicate);
        if (it == pool.end()) return std::nullopt;
        WindowID id = it->id;
        // A number listed twice is one window: placed once.
        std::erase_if(pool, [id](const LiveWindow& window) { return window.id == id; });
        return id;
    };

    // assigned[display][column][row]
    std::map<std::string, std::vector<std::vector<std::optional<WindowID>>>> assigned;
    for (const auto& display : considered) {
        for (const auto& column : arrangement.displays.at(display)) {
            assigned[display].emplace_back(column.windows.size());
        }
    }

    for (const auto& display : considered) {
        const auto& columns = arrangement.displays.at(display);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            for (std::size_t r = 0; r < columns[c].windows.size(); ++r) {
                const SavedWindow& saved = columns[c].windows[r];
                assigned[display][c][r] =
                    take([&](const LiveWindow& window) { return window.id == saved.id; });
            }
        }
    }

    for (const auto& display : considered) {
        const auto& columns = arrangement.displays.at(display);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            for (std::size_t r = 0; r < columns[c].windows.size(); ++r) {
                auto& slot = assigned[display][c][r];
                if (slot) continue;
                const SavedWindow& saved = columns[c].windows[r];
                slot = take([&](const LiveWindow& window) {
                    return window.bundleID == saved.bundleID && window.title == saved.title;
                });
                if (!slot) {
                    slot = take([&](const LiveWindow& window) {
                        return window.bundleID == saved.bundleID;
                    });
                }
            }
        }
    }

    std::map<std::string, Strip> result;
    for (const auto& display : considered) {
        const auto& columns = arrangement.displays.at(display);
        std::vector<Column> rebuilt;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const SavedColumn& saved = columns[c];
            std::vector<WindowID> windows;
            std::vector<double> weights;
            for (std::size_t r = 0; r < saved.windows.size(); ++r) {
                if (!assigned[display][c][r]) continue;
                windows.push_back(*assigned[display][c][r]);
                weights.push_back(r < saved.heightWeights.size() ? saved.heightWeights[r] : 1.0);
            }
            if (windows.empty()) continue;
            Column column(windows, saved.widthFraction);
            column.heightWeights = weights;
            column.savedFraction = saved.savedFraction;
            rebuilt.push_back(column);
        }
        if (!rebuilt.empty()) result[display] = Strip(rebuilt);
    }
    return result;
}

}  // namespace tessarin::test
