#include "engine/log_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace tessarin::LogText {

std::string boolean(bool value) {
    return value ? "true" : "false";
}

std::string quotedList(const std::vector<std::string>& items) {
    std::string text = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) text += ", ";
        text += '"' + items[i] + '"';
    }
    return text + "]";
}

std::string countMap(const std::vector<std::pair<std::string, std::size_t>>& entries) {
    if (entries.empty()) return "[:]";
    std::string text = "[";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i) text += ", ";
        text += '"' + entries[i].first + "\": " + std::to_string(entries[i].second);
    }
    return text + "]";
}

namespace {

// Decodes the UTF-8 sequence at `at` (a stray byte counts as one character) and moves past it.
char32_t nextCodePoint(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    char32_t point = lead;
    int more = 0;
    if (lead >= 0xF0)
        point = lead & 0x07, more = 3;
    else if (lead >= 0xE0)
        point = lead & 0x0F, more = 2;
    else if (lead >= 0xC0)
        point = lead & 0x1F, more = 1;
    for (; more > 0 && at < text.size(); --more) {
        const auto next = static_cast<unsigned char>(text[at]);
        if ((next & 0xC0) != 0x80) break;
        point = (point << 6) | (next & 0x3F);
        ++at;
    }
    return point;
}

// Marks that draw on the character before them: accents, enclosing marks, variation selectors
// and the joiner that glues emoji together.
bool joinsPrevious(char32_t point) {
    return (point >= 0x0300 && point <= 0x036F) || (point >= 0x1AB0 && point <= 0x1AFF) ||
           (point >= 0x1DC0 && point <= 0x1DFF) || (point >= 0x20D0 && point <= 0x20FF) ||
           (point >= 0xFE00 && point <= 0xFE0F) || (point >= 0xFE20 && point <= 0xFE2F) ||
           point == 0x200D || (point >= 0xE0100 && point <= 0xE01EF);
}

// The value cut toward zero, if a 64-bit integer holds it.
std::optional<std::int64_t> wholeNumber(double value) {
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (!(value > -limit && value < limit)) return std::nullopt;
    return static_cast<std::int64_t>(std::trunc(value));
}

}  // namespace

std::string prefix(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    std::size_t seen = 0;
    bool afterJoiner = false;
    while (end < text.size()) {
        std::size_t next = end;
        const char32_t point = nextCodePoint(text, next);
        if (!(seen > 0 && (afterJoiner || joinsPrevious(point)))) {
            if (seen == count) break;
            ++seen;
        }
        afterJoiner = point == 0x200D;
        end = next;
    }
    return std::string(text.substr(0, end));
}

std::string windowDescription(WindowID id, const std::optional<std::string>& bundleID,
                              std::string_view title) {
    return std::to_string(id) + " " + bundleID.value_or("?") + " \u201C" + prefix(title, 40) +
           "\u201D";
}

std::string wholePoints(double value) {
    const auto whole = wholeNumber(value);
    return whole ? std::to_string(*whole) : decimal(value);
}

std::string wholeFrame(const Rect& frame) {
    auto whole = [](double value) {
        const auto number = wholeNumber(value);
        return number ? std::to_string(*number) : std::string("?");
    };
    std::string text = whole(frame.x);
    text += ',';
    text += whole(frame.y);
    text += ' ';
    text += whole(frame.width);
    text += 'x';
    text += whole(frame.height);
    return text;
}

std::string decimal(double value) {
    if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
    // The shortest text that reads back as the same number: plain digits for everyday
    // magnitudes, an exponent only for the very large and the very small.
    const double magnitude = std::fabs(value);
    const auto format = (magnitude == 0 || (magnitude >= 1e-4 && magnitude < 1e16))
                            ? std::chars_format::fixed
                            : std::chars_format::scientific;
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

std::string optionalFrame(const std::optional<Rect>& frame) {
    if (!frame) return "nil";
    return "Optional((" + decimal(frame->x) + ", " + decimal(frame->y) + ", " +
           decimal(frame->width) + ", " + decimal(frame->height) + "))";
}

std::string optionalText(const std::optional<std::string>& text) {
    return text ? *text : "nil";
}

}  // namespace tessarin::LogText
