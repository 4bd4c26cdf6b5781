#include <array>
#include <string_view>

#include "core/keyboard_layout.hpp"

namespace tessarin {

namespace {

struct KeyText {
    std::uint16_t keyCode;
    std::string_view text;
};

// clang-format off
constexpr std::array<KeyText, 64> usKeys{{
    {0, "a"}, {1, "s"}, {2, "d"}, {3, "f"}, {4, "h"}, {5, "g"}, {6, "z"}, {7, "x"},
    {8, "c"}, {9, "v"}, {10, "§"}, {11, "b"}, {12, "q"}, {13, "w"}, {14, "e"}, {15, "r"},
    {16, "y"}, {17, "t"}, {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {22, "6"}, {23, "5"},
    {24, "="}, {25, "9"}, {26, "7"}, {27, "-"}, {28, "8"}, {29, "0"}, {30, "]"}, {31, "o"},
    {32, "u"}, {33, "["}, {34, "i"}, {35, "p"}, {37, "l"}, {38, "j"}, {39, "'"}, {40, "k"},
    {41, ";"}, {42, "\\"}, {43, ","}, {44, "/"}, {45, "n"}, {46, "m"}, {47, "."}, {50, "`"},
    // Keypad.
    {65, "."}, {67, "*"}, {69, "+"}, {75, "/"}, {78, "-"}, {81, "="}, {82, "0"}, {83, "1"},
    {84, "2"}, {85, "3"}, {86, "4"}, {87, "5"}, {88, "6"}, {89, "7"}, {91, "8"}, {92, "9"},
}};
// clang-format on

}  // namespace

std::optional<std::string> UsKeyboardLayout::character(std::uint16_t keyCode) const {
    for (const auto& key : usKeys)
        if (key.keyCode == keyCode) return std::string(key.text);
    return std::nullopt;
}

}  // namespace tessarin
