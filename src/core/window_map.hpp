#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "core/window_id.hpp"

namespace tessarin {

// A map from window to value: the entries in one vector in the order their windows were first
// added, plus an open-addressing index over them. Building is linear, a lookup is a short probe,
// and refilling reuses both vectors, which suits the frame maps rebuilt on every animation tick.
template <class T>
class WindowMap {
  public:
    using Entry = std::pair<WindowID, T>;
    using const_iterator = typename std::vector<Entry>::const_iterator;

    WindowMap() = default;
    // For a window listed twice the later value wins.
    WindowMap(std::initializer_list<Entry> entries) {
        for (const Entry& entry : entries)
            insertOrAssign(entry.first, entry.second);
    }

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    void clear() {
        entries_.clear();
        std::fill(slots_.begin(), slots_.end(), 0);
    }

    // Room for `count` windows without growing either vector.
    void reserve(std::size_t count) {
        entries_.reserve(count);
        if (count * 2 > slots_.size()) rebuildIndex(count);
    }

    const T* find(WindowID window) const {
        if (slots_.empty()) return nullptr;
        const std::uint32_t slot = slots_[probe(window)];
        return slot ? &entries_[slot - 1].second : nullptr;
    }
    T* find(WindowID window) {
        return const_cast<T*>(static_cast<const WindowMap&>(*this).find(window));
    }
    bool contains(WindowID window) const { return find(window) != nullptr; }
    T valueOr(WindowID window, T fallback) const {
        const T* value = find(window);
        return value ? *value : fallback;
    }

    void insertOrAssign(WindowID window, T value) {
        if (T* existing = find(window)) {
            *existing = std::move(value);
            return;
        }
        if ((entries_.size() + 1) * 2 > slots_.size()) rebuildIndex(entries_.size() + 1);
        entries_.emplace_back(window, std::move(value));
        slots_[probe(window)] = static_cast<std::uint32_t>(entries_.size());
    }

    // Keeps the order of the remaining entries; linear, as forgetting a window is rare.
    bool erase(WindowID window) {
        if (!contains(window)) return false;
        entries_.erase(std::find_if(entries_.begin(), entries_.end(),
                                    [window](const Entry& e) { return e.first == window; }));
        rebuildIndex(entries_.size());
        return true;
    }

    // Replaces the contents in one go, reusing storage: `fill` receives an `add(window, value)`
    // callable; for a window added twice the later value wins.
    template <class Fill>
    void refill(Fill&& fill) {
        clear();
        fill([this](WindowID window, T value) { insertOrAssign(window, std::move(value)); });
    }

    // Equal when they hold the same windows with equal values, in whatever order.
    bool operator==(const WindowMap& other) const {
        if (size() != other.size()) return false;
        return std::all_of(entries_.begin(), entries_.end(), [&](const Entry& e) {
            const T* value = other.find(e.first);
            return value && *value == e.second;
        });
    }

  private:
    // The slot holding `window`, or the empty slot where it would go. The index is kept at most
    // half full, so a probe always ends.
    std::size_t probe(WindowID window) const {
        const std::size_t mask = slots_.size() - 1;
        // Fibonacci hashing spreads the nearby numbers the window server hands out.
        std::size_t i = static_cast<std::uint32_t>(window * 2654435769u) >> shift_;
        while (slots_[i] != 0 && entries_[slots_[i] - 1].first != window)
            i = (i + 1) & mask;
        return i;
    }

    void rebuildIndex(std::size_t capacity) {
        std::size_t size = std::max<std::size_t>(slots_.size(), 16);
        while (size < capacity * 2)
            size *= 2;
        slots_.assign(size, 0);
        shift_ = 32;
        for (std::size_t s = size; s > 1; s >>= 1)
            --shift_;
        for (std::size_t e = 0; e < entries_.size(); ++e) {
            slots_[probe(entries_[e].first)] = static_cast<std::uint32_t>(e + 1);
        }
    }

    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;  // entry index + 1; 0 marks an empty slot
    int shift_ = 32;
};

}  // namespace tessarin
