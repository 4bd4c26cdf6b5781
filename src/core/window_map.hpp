#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

#include "core/window_id.hpp"

namespace tessarin {

// A map from window to value kept as one vector sorted by window: lookups are a binary search,
// iteration is in window order, and refilling it reuses its storage. Built for the per-frame
// maps of the layout, which are rebuilt on every animation tick.
template <class T>
class WindowMap {
  public:
    using Entry = std::pair<WindowID, T>;
    using const_iterator = typename std::vector<Entry>::const_iterator;

    WindowMap() = default;
    // For a window listed twice the later entry wins.
    WindowMap(std::initializer_list<Entry> entries) : entries_(entries) { settle(); }

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    void clear() { entries_.clear(); }
    void reserve(std::size_t count) { entries_.reserve(count); }

    const T* find(WindowID window) const {
        auto it = lowerBound(window);
        return it != entries_.end() && it->first == window ? &it->second : nullptr;
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
        auto it = lowerBound(window);
        if (it != entries_.end() && it->first == window) {
            it->second = std::move(value);
        } else {
            entries_.insert(it, Entry{window, std::move(value)});
        }
    }
    bool erase(WindowID window) {
        auto it = lowerBound(window);
        if (it == entries_.end() || it->first != window) return false;
        entries_.erase(it);
        return true;
    }

    // Replaces the contents in one go: `fill` receives an `add(window, value)` callable and may
    // add entries in any order; for a window added twice the later entry wins.
    template <class Fill>
    void refill(Fill&& fill) {
        entries_.clear();
        fill([this](WindowID window, T value) { entries_.emplace_back(window, std::move(value)); });
        settle();
    }

    bool operator==(const WindowMap&) const = default;

  private:
    typename std::vector<Entry>::const_iterator lowerBound(WindowID window) const {
        return std::lower_bound(entries_.begin(), entries_.end(), window,
                                [](const Entry& e, WindowID w) { return e.first < w; });
    }
    typename std::vector<Entry>::iterator lowerBound(WindowID window) {
        return std::lower_bound(entries_.begin(), entries_.end(), window,
                                [](const Entry& e, WindowID w) { return e.first < w; });
    }

    // Sorts by window keeping insertion order among equal windows, then keeps the last of each.
    void settle() {
        auto byWindow = [](const Entry& a, const Entry& b) { return a.first < b.first; };
        if (!std::is_sorted(entries_.begin(), entries_.end(), byWindow)) {
            std::stable_sort(entries_.begin(), entries_.end(), byWindow);
        }
        auto out = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (out != entries_.begin() && std::prev(out)->first == it->first) {
                *std::prev(out) = std::move(*it);
            } else {
                if (out != it) *out = std::move(*it);
                ++out;
            }
        }
        entries_.erase(out, entries_.end());
    }

    std::vector<Entry> entries_;
};

}  // namespace tessarin
