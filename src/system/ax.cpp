#include "system/ax.hpp"
#include "platform/ax_names.hpp"

namespace tessarin::AX {

namespace {

// The value of one attribute when the call succeeds and it holds a `T`.
template <typename T>
std::optional<T> read(Accessibility& ax, const AXElement& of, std::string_view attribute) {
    AXValue value;
    if (ax.copyAttribute(of, attribute, value) != AXError::success) return std::nullopt;
    if (const T* typed = std::get_if<T>(&value)) return *typed;
    return std::nullopt;
}

}  // namespace

std::optional<AXElement> element(Accessibility& ax, const AXElement& of,
                                 std::string_view attribute) {
    return read<AXElement>(ax, of, attribute);
}

std::vector<AXElement> elements(Accessibility& ax, const AXElement& of,
                                std::string_view attribute) {
    return read<std::vector<AXElement>>(ax, of, attribute).value_or(std::vector<AXElement>{});
}

std::optional<std::string> string(Accessibility& ax, const AXElement& of,
                                  std::string_view attribute) {
    return read<std::string>(ax, of, attribute);
}

std::optional<bool> boolean(Accessibility& ax, const AXElement& of, std::string_view attribute) {
    AXValue value;
    if (ax.copyAttribute(of, attribute, value) != AXError::success) return std::nullopt;
    // The system hands booleans over as numbers; both forms count.
    if (const bool* flag = std::get_if<bool>(&value)) return *flag;
    if (const double* number = std::get_if<double>(&value)) return *number != 0;
    return std::nullopt;
}

std::optional<Point> position(Accessibility& ax, const AXElement& of) {
    return read<Point>(ax, of, AXName::position);
}

std::optional<Size> size(Accessibility& ax, const AXElement& of) {
    return read<Size>(ax, of, AXName::size);
}

}  // namespace tessarin::AX
