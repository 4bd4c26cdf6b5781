#include "core/strip.hpp"

namespace tessarin {

Column::Column(std::vector<WindowID> windows, double widthFraction)
    : windows(std::move(windows)), widthFraction(widthFraction) {
    heightWeights.assign(this->windows.size(), 1.0);
}

Strip::Strip(std::vector<Column> columns) : columns(std::move(columns)) {}

}  // namespace tessarin
