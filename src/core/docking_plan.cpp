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

// The pool positions that share one key, in pool order, chained through `next_`, with one entry
// per distinct key in an open-addressing table. The head of a chain is moved past taken
// positions only when it is asked for, so each position is skipped at most once per index and
// matching stays linear however the pool is drained.
class PoolIndex {
  public:
    // `positions` ascending; `hashOf(position)`; `sameKey(a, b)` compares two positions' keys.
    template <class HashOf, class SameKey>
    PoolIndex(const std::vector<std::size_t>& positions, std::size_t poolSize, HashOf hashOf,
              SameKey sameKey)
        : next_(poolSize, kNone) {
        std::size_t capacity = 16;
        shift_ = 60;
        while (capacity < 2 * positions.size()) {
            capacity *= 2;
            --shift_;
        }
        entries_.assign(capacity, Entry{});
        mask_ = capacity - 1;
        for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
            std::size_t position = *it;
            std::size_t hash = hashOf(position);
            Entry* entry = probe(hash, [&](std::size_t head) { return sameKey(head, position); });
            if (entry->key == kNone) {
                *entry = Entry{hash, position, position};
            } else {
                next_[position] = entry->head;
                entry->head = position;
            }
        }
    }

    // The earliest position not yet taken whose key hashes to `hash` and satisfies
    // `hasKey(position)`, or kNone.
    template <class HasKey>
    std::size_t first(std::size_t hash, HasKey hasKey, const std::vector<char>& taken) {
        Entry* entry = probe(hash, hasKey);
        std::size_t& head = entry->head;
        while (head != kNone && taken[head])
            head = next_[head];
        return head;
    }

  private:
    struct Entry {
        std::size_t hash = 0;
        std::size_t head = kNone;  // kNone: a free slot, or a key whose chain is used up
        std::size_t key = kNone;   // any position with this key; never changes once set
    };

    // The entry for the key, or the free entry where it would go.
    template <class HasKey>
    Entry* probe(std::size_t hash, HasKey hasKey) {
        // Fibonacci hashing: the top bits of the product spread sequential window numbers.
        std::size_t slot = (std::uint64_t{hash} * 0x9e3779b97f4a7c15ULL) >> shift_;
        for (;; slot = (slot + 1) & mask_) {
            Entry& entry = entries_[slot];
            if (entry.key == kNone) return &entry;
            if (entry.hash == hash && hasKey(entry.key)) return &entry;
        }
    }

    std::vector<Entry> entries_;
    std::vector<std::size_t> next_;
    std::size_t mask_ = 0;
    unsigned shift_ = 60;
};

std::size_t hashText(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}

std::size_t combine(std::size_t bundle, std::size_t title) {
    return bundle ^ (title + 0x9e3779b97f4a7c15ULL + (bundle << 6) + (bundle >> 2));
}

// Fills the empty slots by bundle and title, else by bundle alone. Only the windows left in the
// pool are indexed; taken ones could never be returned.
template <class Take>
void matchByApplication(const std::vector<const SavedWindow*>& saved,
                        const std::vector<LiveWindow>& live, std::vector<char>& taken,
                        std::vector<std::size_t>& slots, Take take) {
    std::vector<std::size_t> pool;
    std::vector<std::size_t> bundleHash(live.size()), titleHash(live.size());
    for (std::size_t i = 0; i < live.size(); ++i) {
        if (taken[i]) continue;
        pool.push_back(i);
        bundleHash[i] = hashText(live[i].bundleID);
        titleHash[i] = combine(bundleHash[i], hashText(live[i].title));
    }
    PoolIndex byTitle(
        pool, live.size(), [&](std::size_t i) { return titleHash[i]; },
        [&](std::size_t a, std::size_t b) {
            return live[a].bundleID == live[b].bundleID && live[a].title == live[b].title;
        });
    PoolIndex byBundle(
        pool, live.size(), [&](std::size_t i) { return bundleHash[i]; },
        [&](std::size_t a, std::size_t b) { return live[a].bundleID == live[b].bundleID; });
    for (std::size_t s = 0; s < saved.size(); ++s) {
        if (slots[s] != kNone) continue;
        const SavedWindow& window = *saved[s];
        std::size_t bundle = hashText(window.bundleID);
        std::size_t match = byTitle.first(
            combine(bundle, hashText(window.title)),
            [&](std::size_t i) {
                return live[i].bundleID == window.bundleID && live[i].title == window.title;
            },
            taken);
        if (match == kNone) {
            match = byBundle.first(
                bundle, [&](std::size_t i) { return live[i].bundleID == window.bundleID; }, taken);
        }
        if (match == kNone) continue;
        take(match);
        slots[s] = match;
    }
}

}  // namespace

std::string joinSorted(std::vector<std::string> parts, std::string_view separator) {
    std::sort(parts.begin(), parts.end());
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) joined += separator;
        joined += parts[i];
    }
    return joined;
}

std::string DockingPlan::setupKey(std::vector<std::string> displays) {
    return joinSorted(std::move(displays), "+");
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
    // A window listed twice is still one window: placing it takes every entry with its number.
    std::unordered_map<WindowID, std::vector<std::size_t>> twins;
    {
        std::unordered_map<WindowID, std::size_t> first;
        for (std::size_t i = 0; i < live.size(); ++i) {
            auto [at, fresh] = first.emplace(live[i].id, i);
            if (fresh) continue;
            auto& group = twins[live[i].id];
            if (group.empty()) group.push_back(at->second);
            group.push_back(i);
        }
    }
    auto take = [&](std::size_t match) {
        taken[match] = 1;
        if (twins.empty()) return;
        if (auto group = twins.find(live[match].id); group != twins.end()) {
            for (std::size_t i : group->second)
                taken[i] = 1;
        }
    };
    bool anyEmpty = false;
    {
        std::vector<std::size_t> everyone(live.size());
        for (std::size_t i = 0; i < live.size(); ++i)
            everyone[i] = i;
        PoolIndex byNumber(
            everyone, live.size(), [&](std::size_t i) { return std::size_t{live[i].id}; },
            [&](std::size_t a, std::size_t b) { return live[a].id == live[b].id; });
        for (std::size_t s = 0; s < saved.size(); ++s) {
            WindowID id = saved[s]->id;
            std::size_t match = byNumber.first(
                id, [&](std::size_t i) { return live[i].id == id; }, taken);
            if (match == kNone) {
                anyEmpty = true;
                continue;
            }
            take(match);
            slots[s] = match;
        }
    }
    if (anyEmpty) matchByApplication(saved, live, taken, slots, take);

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
