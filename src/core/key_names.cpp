#include "core/key_names.hpp"

#include <array>
#include <optional>

#include "core/keyboard_layout.hpp"

namespace tessarin {

namespace {

struct SpecialKey {
    std::uint16_t keyCode;
    std::string_view label;
};

// clang-format off
constexpr std::array<SpecialKey, 26> specialKeys{{
    {123, "←"}, {124, "→"}, {126, "↑"}, {125, "↓"}, {49, "Space"}, {36, "↩"}, {48, "⇥"},
    {51, "⌫"}, {117, "⌦"}, {53, "⎋"}, {115, "↖"}, {119, "↘"}, {116, "⇞"}, {121, "⇟"},
    {122, "F1"}, {120, "F2"}, {99, "F3"}, {118, "F4"}, {96, "F5"}, {97, "F6"}, {98, "F7"},
    {100, "F8"}, {101, "F9"}, {109, "F10"}, {103, "F11"}, {111, "F12"},
}};
// clang-format on

char32_t upperCodePoint(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // Latin-1
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs upper/lower case as even/odd, with two shifts of phase.
        bool oddIsLower = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
        bool evenIsLower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddIsLower && (c % 2 == 1)) return c - 1;
        if (evenIsLower && (c % 2 == 0)) return c - 1;
        return c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;  // Greek
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;                // Cyrillic
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

// Decodes one well-formed UTF-8 sequence at `i`; none for a malformed one.
std::optional<char32_t> decode(std::string_view text, std::size_t i, std::size_t& length) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
        length = 1;
        return byte;
    }
    int extra = byte >= 0xF5 ? -1 : byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC2 ? 1 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) return std::nullopt;
    char32_t c = byte & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (next & 0x3F);
    }
    length = static_cast<std::size_t>(extra) + 1;
    return c;
}

void encode(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string upperCased(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t length = 1;
        auto c = decode(text, i, length);
        if (!c) {
            out += text[i];
            ++i;
            continue;
        }
        if (length == 1) {
            out += static_cast<char>(upperCodePoint(*c));
        } else {
            char32_t upper = upperCodePoint(*c);
            if (upper == *c)
                out.append(text.substr(i, length));
            else
                encode(upper, out);
        }
        i += length;
    }
    return out;
}

std::string KeyNames::name(std::uint32_t keyCode, const KeyboardLayout* layout) {
    for (const auto& key : specialKeys)
        if (key.keyCode == keyCode) return std::string(key.label);
    // Codes beyond 16 bits are no key any layout knows.
    if (layout && keyCode <= 0xFFFF) {
        if (auto text = layout->character(static_cast<std::uint16_t>(keyCode));
            text && !text->empty())
            return upperCased(*text);
    }
    std::string label = "#";
    label += std::to_string(keyCode);
    return label;
}

}  // namespace tessarin
