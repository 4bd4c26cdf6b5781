#pragma once

#include <cstdint>

#include "core/geometry.hpp"
#include "core/modifier_mask.hpp"

namespace tessarin {

class Pointer {
  public:
    virtual ~Pointer() = default;
    // Bottom-left convention, as the toolkit reports the mouse location.
    virtual Point location() = 0;
    // Bit 0 the left button, bit 1 the right, and so on; 0 when none is pressed.
    virtual std::uint32_t pressedButtons() = 0;
    // The modifier keys held now, as a ModifierMask combination.
    virtual std::uint32_t modifierFlags() = 0;
    // Moves the pointer without generating a user event; top-left convention.
    virtual void warp(Point to) = 0;
};

}  // namespace tessarin
