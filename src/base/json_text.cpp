#include "base/json_text.hpp"

#include <cmath>

namespace tessarin {

namespace {

// Nesting depth of the brackets outside strings; stops counting once past `limit`.
bool nestingWithin(std::string_view text, std::size_t limit) {
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return false;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

bool encodable(const nlohmann::json& value, std::size_t depth) {
    if (value.is_number_float()) return std::isfinite(value.get<double>());
    if (!value.is_structured()) return true;
    if (depth >= maxJsonDepth) return false;
    for (const auto& item : value)
        if (!encodable(item, depth + 1)) return false;
    return true;
}

}  // namespace

std::optional<nlohmann::json> parseJsonText(std::string_view text) {
    // The parser takes a NUL byte for the end of the input and would read a document followed
    // by NUL and more bytes as valid; the rest would then vanish at the next write.
    if (text.find('\0') != std::string_view::npos) return std::nullopt;
    if (!nestingWithin(text, maxJsonDepth)) return std::nullopt;
    auto value = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return value;
}

bool isEncodable(const nlohmann::json& value) {
    return encodable(value, 0);
}

std::string jsonText(const nlohmann::json& value, int indent) {
    return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace tessarin
