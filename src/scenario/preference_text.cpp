#include "scenario/preference_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace tessarin {

namespace {

std::optional<double> number(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<bool> boolean(std::string_view text) {
    if (text == "true" || text == "on") return true;
    if (text == "false" || text == "off") return false;
    return std::nullopt;
}

std::vector<std::string> items(std::string_view text) {
    std::vector<std::string> result;
    if (text.empty()) return result;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        result.emplace_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return result;
}

using Maker = std::function<PreferenceText::Parsed(std::string_view key, std::string_view)>;

PreferenceText::Parsed failure(std::string_view key, std::string_view wants,
                               std::string_view value) {
    return {
        {},
        std::string(key) + " wants " + std::string(wants) + ", not \"" + std::string(value) + "\""};
}

Maker numeric(void (Preferences::*setter)(double)) {
    return [setter](std::string_view key, std::string_view text) -> PreferenceText::Parsed {
        auto value = number(text);
        if (!value) return failure(key, "a number", text);
        return {[setter, v = *value](Preferences& p) { (p.*setter)(v); }, {}};
    };
}

Maker flag(void (Preferences::*setter)(bool)) {
    return [setter](std::string_view key, std::string_view text) -> PreferenceText::Parsed {
        auto value = boolean(text);
        if (!value) return failure(key, "true or false", text);
        return {[setter, v = *value](Preferences& p) { (p.*setter)(v); }, {}};
    };
}

Maker words(void (Preferences::*setter)(std::vector<std::string>)) {
    return [setter](std::string_view, std::string_view text) -> PreferenceText::Parsed {
        return {[setter, v = items(text)](Preferences& p) { (p.*setter)(v); }, {}};
    };
}

PreferenceText::Parsed widthPresets(std::string_view key, std::string_view text) {
    std::vector<double> presets;
    for (const std::string& item : items(text)) {
        auto value = number(item);
        if (!value) return failure(key, "comma-separated numbers", text);
        presets.push_back(*value);
    }
    return {[presets](Preferences& p) { p.setWidthPresets(presets); }, {}};
}

PreferenceText::Parsed centerMode(std::string_view key, std::string_view text) {
    auto mode = centerModeFromString(text);
    if (!mode) return failure(key, "never, onOverflow or always", text);
    return {[m = *mode](Preferences& p) { p.setCenterMode(m); }, {}};
}

PreferenceText::Parsed placement(std::string_view key, std::string_view text) {
    for (NewWindowPlacement value : allNewWindowPlacements) {
        if (rawValue(value) == text)
            return {[value](Preferences& p) { p.setPlacement(value); }, {}};
    }
    return failure(key, "afterFocused or end", text);
}

PreferenceText::Parsed gestureFingers(std::string_view key, std::string_view text) {
    auto value = number(text);
    if (!value || *value != std::floor(*value) || *value < 0 || *value > 10)
        return failure(key, "a whole number", text);
    return {[v = static_cast<std::int64_t>(*value)](Preferences& p) { p.setGestureFingers(v); },
            {}};
}

struct Entry {
    const char* key;
    Maker make;
};

const std::vector<Entry>& table() {
    static const std::vector<Entry> entries{
        {"gap", numeric(&Preferences::setGap)},
        {"outerGap", numeric(&Preferences::setOuterGap)},
        {"defaultWidth", numeric(&Preferences::setDefaultWidth)},
        {"keepOriginalWidth", flag(&Preferences::setKeepOriginalWidth)},
        {"widthPresets", widthPresets},
        {"centerMode", centerMode},
        {"placement", placement},
        {"animate", flag(&Preferences::setAnimate)},
        {"focusWidth", numeric(&Preferences::setFocusWidth)},
        {"focusHeight", numeric(&Preferences::setFocusHeight)},
        {"animationSpeed", numeric(&Preferences::setAnimationSpeed)},
        {"gesturesEnabled", flag(&Preferences::setGesturesEnabled)},
        {"gestureFingers", gestureFingers},
        {"gestureSensitivity", numeric(&Preferences::setGestureSensitivity)},
        {"naturalSwipe", flag(&Preferences::setNaturalSwipe)},
        {"modifierScroll", flag(&Preferences::setModifierScroll)},
        {"showIndicator", flag(&Preferences::setShowIndicator)},
        {"focusBorder", flag(&Preferences::setFocusBorder)},
        {"focusBorderWidth", numeric(&Preferences::setFocusBorderWidth)},
        {"mouseFollowsFocus", flag(&Preferences::setMouseFollowsFocus)},
        {"rememberLayout", flag(&Preferences::setRememberLayout)},
        {"dockingMemory", flag(&Preferences::setDockingMemory)},
        {"floatingApps", words(&Preferences::setFloatingApps)},
        {"excludedDisplays", words(&Preferences::setExcludedDisplays)},
    };
    return entries;
}

}  // namespace

PreferenceText::Parsed PreferenceText::parse(std::string_view key, std::string_view value) {
    for (const Entry& entry : table()) {
        if (key == entry.key) return entry.make(key, value);
    }
    return {{}, "unknown setting \"" + std::string(key) + "\""};
}

std::vector<std::string> PreferenceText::keys() {
    std::vector<std::string> result;
    for (const Entry& entry : table())
        result.emplace_back(entry.key);
    return result;
}

}  // namespace tessarin
