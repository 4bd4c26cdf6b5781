#pragma once

#include <cstdint>

namespace tessarin {

// The window server's window number; it names a window everywhere in the system.
using WindowID = std::uint32_t;

}  // namespace tessarin
