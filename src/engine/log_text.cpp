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

std::string prefix(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t seen = 0; end < text.size() && seen < count; ++seen) {
        // Step over one UTF-8 sequence: a lead byte and its continuation bytes.
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
    }
    return std::string(text.substr(0, end));
}

std::string windowDescription(WindowID id, const std::optional<std::string>& bundleID,
                              std::string_view title) {
    return std::to_string(id) + " " + bundleID.value_or("?") + " \u201C" + prefix(title, 40) +
           "\u201D";
}

std::string wholePoints(double value) {
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (!(value > -limit && value < limit)) return decimal(value);
    return std::to_string(static_cast<std::int64_t>(std::trunc(value)));
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
