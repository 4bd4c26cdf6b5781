#pragma once

#include <cstdint>
#include <string>

#include "core/geometry.hpp"

namespace tessarin {

// One display, with its rectangles in the top-left convention. Strips and saved arrangements
// are keyed by `uuid`: the number can change between connections, the uuid stays.
struct Display {
    std::uint32_t id = 0;
    std::string uuid;
    std::string name;
    Rect frame;
    Rect visibleFrame;

    bool operator==(const Display&) const = default;
};

}  // namespace tessarin
