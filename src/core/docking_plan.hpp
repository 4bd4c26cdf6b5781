#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/saved_arrangement.hpp"
#include "core/strip.hpp"

namespace tessarin {

// `parts` in ascending byte order, joined with `separator` between neighbours.
std::string joinSorted(std::vector<std::string> parts, std::string_view separator);

// Maps a remembered arrangement onto the windows that are open now.
class DockingPlan {
  public:
    DockingPlan() = delete;

    // The key of a monitor setup: the display identities sorted and joined with "+", so it does
    // not depend on the order in which the displays were listed.
    static std::string setupKey(std::vector<std::string> displays);

    // Rebuilds one strip per connected display of `arrangement`. Saved windows are matched
    // greedily in saved order (displays sorted, columns left to right, rows top to bottom):
    // first every window by number, then each one still unmatched by bundle and title, else by
    // bundle alone; each live window is used at most once, the earliest in `live` first, and a
    // number that `live` lists twice is placed once.
    // Columns left without a window, and displays left without a column, are dropped.
    static std::map<std::string, Strip> resolve(const SavedArrangement& arrangement,
                                                const std::vector<LiveWindow>& live,
                                                const std::set<std::string>& displays);
};

}  // namespace tessarin
