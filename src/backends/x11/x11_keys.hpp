#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tessarin::x11 {

// The stored key combinations keep the virtual key codes and modifier bits of the platform the
// shortcut table was designed on; X speaks keysyms, keycodes and its own modifier mask. These
// are the translations, pure so they can be checked without a server.
namespace keys {

// X's modifier bits (the core protocol's KeyButMask).
inline constexpr std::uint16_t shiftMask = 1 << 0;
inline constexpr std::uint16_t lockMask = 1 << 1;
inline constexpr std::uint16_t controlMask = 1 << 2;
inline constexpr std::uint16_t mod1Mask = 1 << 3;  // Alt
inline constexpr std::uint16_t mod4Mask = 1 << 6;  // Super
// The eight modifiers, without the pointer buttons a state also carries.
inline constexpr std::uint16_t allModifiers = 0xFF;

// The keysym of the key that types the virtual key code's character on a US layout, or of the
// named key (arrows, F-keys, Return …); none for a code without a known key.
std::optional<std::uint32_t> keysymFor(std::uint32_t virtualKeyCode);

// Stored (Carbon) modifier bits as an X mask: control → Control, shift → Shift, option → Mod1,
// command → Mod4. Bits beyond these four have no X counterpart and are left out.
std::uint16_t modifiersToX(std::uint32_t carbon);
// An X state as stored modifier bits.
std::uint32_t modifiersFromX(std::uint16_t state);
// An input event's flags (EventFlags) as an X mask, and an X state as flags.
std::uint16_t flagsToX(std::uint64_t flags);
std::uint64_t flagsFromX(std::uint16_t state);

// A passive grab's modifiers with and without Caps Lock and Num Lock (`numLock`: the modifier
// it sits on, 0 for none): X matches a grab only on the exact modifier state, and the user's
// lock keys must not switch shortcuts off.
std::vector<std::uint16_t> lockVariants(std::uint16_t mask, std::uint16_t numLock);

}  // namespace keys
}  // namespace tessarin::x11
