#pragma once

#include <cstdint>

namespace tessarin {

// Carbon-style modifier masks, the form every stored key combination uses.
namespace ModifierMask {
inline constexpr std::uint32_t command = 0x100;
inline constexpr std::uint32_t shift = 0x200;
inline constexpr std::uint32_t option = 0x800;
inline constexpr std::uint32_t control = 0x1000;
}  // namespace ModifierMask

}  // namespace tessarin
