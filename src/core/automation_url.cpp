#include "core/automation_url.hpp"

namespace tessarin {

namespace {

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Unreserved, reserved and '%': what may stand in a URL at all. Anything else (spaces,
// controls, bytes beyond ASCII) makes the text no URL.
bool isUrlCharacter(char c) {
    static constexpr std::string_view kOthers = "-._~:/?#[]@!$&'()*+,;=%";
    return isAlpha(c) || isDigit(c) || kOthers.find(c) != std::string_view::npos;
}

bool isValid(std::string_view url) {
    const std::size_t colon = url.find(':');
    if (colon == 0 || colon == std::string_view::npos || !isAlpha(url[0])) return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = url[i];
        if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return false;
    }
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (!isUrlCharacter(url[i])) return false;
        if (url[i] == '%' &&
            (i + 2 >= url.size() || hexValue(url[i + 1]) < 0 || hexValue(url[i + 2]) < 0))
            return false;
    }
    return true;
}

std::string decoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') {
            out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace

std::optional<std::string> automationCommand(std::string_view url) {
    if (!isValid(url)) return std::nullopt;
    std::string_view rest = url.substr(url.find(':') + 1);
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (rest.substr(0, 2) == "//") {
        const std::size_t slash = rest.find('/', 2);
        std::string_view authority =
            rest.substr(2, slash == std::string_view::npos ? slash : slash - 2);
        if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
            authority = authority.substr(at + 1);
        authority = authority.substr(0, authority.find(':'));
        if (!authority.empty()) return decoded(authority);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    // Without a host the name is the first component after the root: a path that does not
    // start at the root has fewer than two components.
    if (rest.empty() || rest[0] != '/') return std::nullopt;
    const std::size_t start = rest.find_first_not_of('/');
    if (start == std::string_view::npos) return std::nullopt;
    const std::string_view component = rest.substr(start, rest.find('/', start) - start);
    return decoded(component);
}

}  // namespace tessarin
