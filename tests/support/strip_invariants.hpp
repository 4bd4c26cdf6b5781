#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <unordered_set>

#include "core/strip.hpp"

namespace tessarin::test {

// What every strip operation and every decoded strip must keep: one weight per window, an
// active row inside each column, no empty column, no window twice, a valid focused column
// (0 when the strip is empty).
inline testing::AssertionResult stripInvariantsHold(const Strip& strip) {
    std::unordered_set<WindowID> seen;
    const auto columns = static_cast<std::int64_t>(strip.columns.size());
    for (std::size_t c = 0; c < strip.columns.size(); ++c) {
        const Column& column = strip.columns[c];
        const auto rows = static_cast<std::int64_t>(column.windows.size());
        if (rows == 0) return testing::AssertionFailure() << "column " << c << " is empty";
        if (column.heightWeights.size() != column.windows.size()) {
            return testing::AssertionFailure()
                   << "column " << c << " has " << column.heightWeights.size() << " weights for "
                   << rows << " windows";
        }
        if (column.activeRow < 0 || column.activeRow >= rows) {
            return testing::AssertionFailure()
                   << "column " << c << " has active row " << column.activeRow << " of " << rows;
        }
        for (WindowID window : column.windows) {
            if (!seen.insert(window).second) {
                return testing::AssertionFailure() << "window " << window << " appears twice";
            }
        }
    }
    const bool focusValid = columns == 0
                                ? strip.focusedColumn == 0
                                : strip.focusedColumn >= 0 && strip.focusedColumn < columns;
    if (!focusValid) {
        return testing::AssertionFailure()
               << "focused column " << strip.focusedColumn << " of " << columns;
    }
    return testing::AssertionSuccess();
}

}  // namespace tessarin::test
