#include "backends/x11/x11_keys.hpp"

#include "core/modifier_mask.hpp"
#include "platform/input.hpp"

namespace tessarin::x11::keys {

namespace {

struct KeySym {
    std::uint32_t keyCode;
    std::uint32_t keysym;
};

// Virtual key code → X keysym. Letters, digits and punctuation by the US layout's characters
// (their keysyms are their Latin-1 codes); the named keys by their X names in the comments.
// clang-format off
constexpr KeySym table[] = {
    {0, 'a'}, {1, 's'}, {2, 'd'}, {3, 'f'}, {4, 'h'}, {5, 'g'}, {6, 'z'}, {7, 'x'},
    {8, 'c'}, {9, 'v'}, {10, 0xA7 /* section */}, {11, 'b'}, {12, 'q'}, {13, 'w'}, {14, 'e'},
    {15, 'r'}, {16, 'y'}, {17, 't'}, {18, '1'}, {19, '2'}, {20, '3'}, {21, '4'}, {22, '6'},
    {23, '5'}, {24, '='}, {25, '9'}, {26, '7'}, {27, '-'}, {28, '8'}, {29, '0'}, {30, ']'},
    {31, 'o'}, {32, 'u'}, {33, '['}, {34, 'i'}, {35, 'p'}, {37, 'l'}, {38, 'j'}, {39, '\''},
    {40, 'k'}, {41, ';'}, {42, '\\'}, {43, ','}, {44, '/'}, {45, 'n'}, {46, 'm'}, {47, '.'},
    {50, '`'}, {49, ' '},
    {36, 0xFF0D /* Return */}, {48, 0xFF09 /* Tab */}, {51, 0xFF08 /* BackSpace */},
    {53, 0xFF1B /* Escape */}, {117, 0xFFFF /* Delete */}, {114, 0xFF63 /* Insert */},
    {115, 0xFF50 /* Home */}, {119, 0xFF57 /* End */}, {116, 0xFF55 /* Prior */},
    {121, 0xFF56 /* Next */}, {123, 0xFF51 /* Left */}, {126, 0xFF52 /* Up */},
    {124, 0xFF53 /* Right */}, {125, 0xFF54 /* Down */},
    {122, 0xFFBE /* F1 */}, {120, 0xFFBF}, {99, 0xFFC0}, {118, 0xFFC1}, {96, 0xFFC2},
    {97, 0xFFC3}, {98, 0xFFC4}, {100, 0xFFC5}, {101, 0xFFC6}, {109, 0xFFC7}, {103, 0xFFC8},
    {111, 0xFFC9 /* F12 */},
    // Keypad.
    {65, 0xFFAE}, {67, 0xFFAA}, {69, 0xFFAB}, {75, 0xFFAF}, {76, 0xFF8D}, {78, 0xFFAD},
    {81, 0xFFBD}, {82, 0xFFB0}, {83, 0xFFB1}, {84, 0xFFB2}, {85, 0xFFB3}, {86, 0xFFB4},
    {87, 0xFFB5}, {88, 0xFFB6}, {89, 0xFFB7}, {91, 0xFFB8}, {92, 0xFFB9},
};
// clang-format on

}  // namespace

std::optional<std::uint32_t> keysymFor(std::uint32_t virtualKeyCode) {
    for (const auto& entry : table)
        if (entry.keyCode == virtualKeyCode) return entry.keysym;
    return std::nullopt;
}

namespace {

// Each modifier key as a stored shortcut, an input event and X name it.
struct ModifierKey {
    std::uint32_t carbon;
    std::uint64_t flag;
    std::uint16_t x;
};
constexpr ModifierKey modifierKeys[] = {
    {ModifierMask::control, EventFlags::control, controlMask},
    {ModifierMask::shift, EventFlags::shift, shiftMask},
    {ModifierMask::option, EventFlags::option, mod1Mask},
    {ModifierMask::command, EventFlags::command, mod4Mask},
};

}  // namespace

std::uint16_t modifiersToX(std::uint32_t carbon) {
    std::uint16_t mask = 0;
    for (const ModifierKey& key : modifierKeys)
        if (carbon & key.carbon) mask |= key.x;
    return mask;
}

std::uint32_t modifiersFromX(std::uint16_t state) {
    std::uint32_t carbon = 0;
    for (const ModifierKey& key : modifierKeys)
        if (state & key.x) carbon |= key.carbon;
    return carbon;
}

std::uint16_t flagsToX(std::uint64_t flags) {
    std::uint16_t mask = 0;
    for (const ModifierKey& key : modifierKeys)
        if (flags & key.flag) mask |= key.x;
    return mask;
}

std::uint64_t flagsFromX(std::uint16_t state) {
    std::uint64_t flags = 0;
    for (const ModifierKey& key : modifierKeys)
        if (state & key.x) flags |= key.flag;
    return flags;
}

std::vector<std::uint16_t> lockVariants(std::uint16_t mask, std::uint16_t numLock) {
    std::vector<std::uint16_t> variants{mask, static_cast<std::uint16_t>(mask | lockMask)};
    if (numLock && numLock != lockMask) {
        variants.push_back(mask | numLock);
        variants.push_back(mask | numLock | lockMask);
    }
    return variants;
}

}  // namespace tessarin::x11::keys
