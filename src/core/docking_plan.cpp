#include "core/docking_plan.hpp"

#include <algorithm>
#include <functional>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace tessarin {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// The pool positions that share one key, in pool order, chained through `next_`. The head of a
// chain is moved past taken positions only when it is asked for, so each position is skipped at
// most once per index and matching stays linear however the pool is drained.
template <class Key, class Hash>
class PoolIndex {
  public:
    template <class KeyOf>
    PoolIndex(std::size_t count, KeyOf keyOf) : next_(count, kNone) {
        heads_.reserve(count);
        for (std::size_t i = count; i-- > 0;) {
            auto [it, inserted] = heads_.try_emplace(keyOf(i), i);
            if (!inserted) {
                next_[i] = it->second;
                it->second = i;
            }
        }
    }

    // The earliest position with `key` that is not taken yet, or kNone.
    std::size_t first(const Key& key, const std::vector<char>& taken) {
        auto it = heads_.find(key);
        if (it == heads_.end()) return kNone;
        std::size_t& head = it->second;
        while (head != kNone && taken[head])
            head = next_[head];
        return head;
    }

  private:
    std::unordered_map<Key, std::size_t, Hash> heads_;
    std::vector<std::size_t> next_;
};

using TitleKey = std::pair<std::string_view, std::string_view>;

struct TitleKeyHash {
    std::size_t operator()(const TitleKey& key) const {
        std::size_t bundle = std::hash<std::string_view>{}(key.first);
        std::size_t title = std::hash<std::string_view>{}(key.second);
        return bundle ^ (title + 0x9e3779b97f4a7c15ULL + (bundle << 6) + (bundle >> 2));
    }
};

// Fills the empty slots of `slots` by bundle and title, else by bundle alone.
void matchByApplication(const std::vector<const SavedWindow*>& saved,
                        const std::vector<LiveWindow>& live, std::vector<char>& taken,
                        std::vector<std::size_t>& slots) {
    PoolIndex<TitleKey, TitleKeyHash> byTitle(live.size(), [&](std::size_t i) {
        return TitleKey{live[i].bundleID, live[i].title};
    });
    PoolIndex<std::string_view, std::hash<std::string_view>> byBundle(
        live.size(), [&](std::size_t i) { return std::string_view(live[i].bundleID); });
    for (std::size_t s = 0; s < saved.size(); ++s) {
        if (slots[s] != kNone) continue;
        std::size_t match = byTitle.first(TitleKey{saved[s]->bundleID, saved[s]->title}, taken);
        if (match == kNone) match = byBundle.first(saved[s]->bundleID, taken);
        if (match == kNone) continue;
        taken[match] = 1;
        slots[s] = match;
    }
}

}  // namespace

std::string DockingPlan::setupKey(std::vector<std::string> displays) {
    std::sort(displays.begin(), displays.end());
    std::string key;
    for (std::size_t i = 0; i < displays.size(); ++i) {
        if (i > 0) key += '+';
        key += displays[i];
    }
    return key;
}

std::map<std::string, Strip> DockingPlan::resolve(const SavedArrangement& arrangement,
                                                  const std::vector<LiveWindow>& live,
                                                  const std::set<std::string>& displays) {
    // The arrangement's map is already in ascending key order.
    std::vector<std::pair<const std::string*, const std::vector<SavedColumn>*>> considered;
    std::vector<const SavedWindow*> saved;
    for (const auto& [display, columns] : arrangement.displays) {
        if (!displays.count(display)) continue;
        considered.emplace_back(&display, &columns);
        for (const auto& column : columns) {
            for (const auto& window : column.windows)
                saved.push_back(&window);
        }
    }
    if (saved.empty()) return {};

    // One slot per saved window in saved order, holding a pool position or kNone.
    std::vector<std::size_t> slots(saved.size(), kNone);
    std::vector<char> taken(live.size(), 0);
    bool anyEmpty = false;
    {
        PoolIndex<WindowID, std::hash<WindowID>> byNumber(
            live.size(), [&](std::size_t i) { return live[i].id; });
        for (std::size_t s = 0; s < saved.size(); ++s) {
            std::size_t match = byNumber.first(saved[s]->id, taken);
            if (match == kNone) {
                anyEmpty = true;
                continue;
            }
            taken[match] = 1;
            slots[s] = match;
        }
    }
    if (anyEmpty) matchByApplication(saved, live, taken, slots);

    std::map<std::string, Strip> result;
    std::size_t slot = 0;
    for (const auto& [display, columns] : considered) {
        std::vector<Column> rebuilt;
        for (const auto& savedColumn : *columns) {
            Column column;
            for (std::size_t row = 0; row < savedColumn.windows.size(); ++row, ++slot) {
                if (slots[slot] == kNone) continue;
                column.windows.push_back(live[slots[slot]].id);
                column.heightWeights.push_back(
                    row < savedColumn.heightWeights.size() ? savedColumn.heightWeights[row] : 1.0);
            }
            if (column.windows.empty()) continue;
            column.widthFraction = savedColumn.widthFraction;
            column.savedFraction = savedColumn.savedFraction;
            rebuilt.push_back(std::move(column));
        }
        if (!rebuilt.empty()) result.emplace(*display, Strip(std::move(rebuilt)));
    }
    return result;
}

}  // namespace tessarin
