#include "core/closest_names.hpp"

#include <algorithm>
#include <cctype>
#include <limits>

namespace tessarin {

namespace {

char folded(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Edits (insert, delete, change, swap of two neighbours) from `a` to `b`, case ignored.
std::size_t distance(std::string_view a, std::string_view b) {
    const std::size_t width = b.size() + 1;
    std::vector<std::size_t> d((a.size() + 1) * width);
    auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return d[i * width + j]; };
    for (std::size_t i = 0; i <= a.size(); ++i)
        at(i, 0) = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        at(0, j) = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1;
            at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
            if (i > 1 && j > 1 && folded(a[i - 1]) == folded(b[j - 2]) &&
                folded(a[i - 2]) == folded(b[j - 1])) {
                at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
            }
        }
    }
    return at(a.size(), b.size());
}

}  // namespace

std::vector<std::string> closestNames(std::string_view word,
                                      const std::vector<std::string>& names) {
    // A slip is a few letters, not a different word: at most a third of the word, and 3.
    const std::size_t allowed = std::min<std::size_t>(3, std::max<std::size_t>(1, word.size() / 3));
    std::size_t best = std::numeric_limits<std::size_t>::max();
    std::vector<std::string> nearest;
    for (const std::string& name : names) {
        const std::size_t d = distance(word, name);
        if (d > allowed || d > best) continue;
        if (d < best) nearest.clear();
        best = d;
        nearest.push_back(name);
    }
    return nearest;
}

std::string alternatives(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
        text += names[i];
    }
    return text;
}

}  // namespace tessarin
