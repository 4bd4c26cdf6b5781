#pragma once

#include <vector>

#include "core/strip.hpp"

namespace tessarin::test {

// A column with explicit row weights (fewer weights than windows is allowed on purpose).
inline Column column(std::vector<WindowID> windows, double fraction,
                     std::vector<double> weights = {}) {
    Column result(std::move(windows), fraction);
    if (!weights.empty()) result.heightWeights = std::move(weights);
    return result;
}

inline Strip strip(std::vector<Column> columns, std::int64_t focused = 0, double scroll = 0) {
    Strip result(std::move(columns));
    result.focusedColumn = focused;
    result.scrollOffset = scroll;
    return result;
}

}  // namespace tessarin::test
