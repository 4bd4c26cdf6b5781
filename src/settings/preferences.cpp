#include "settings/preferences.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <sstream>

#include "base/file_store.hpp"
#include "base/log.hpp"
#include "base/memory_store.hpp"

namespace tessarin {

namespace {

const std::vector<double> factoryWidthPresets{1.0 / 3.0, 0.5, 2.0 / 3.0};

nlohmann::json stored(double value) {
    return value;
}
nlohmann::json stored(bool value) {
    return value;
}
nlohmann::json stored(std::int64_t value) {
    return value;
}
nlohmann::json stored(const std::vector<double>& value) {
    return value;
}
nlohmann::json stored(const std::vector<std::string>& value) {
    return value;
}
nlohmann::json stored(CenterMode value) {
    return std::string(rawValue(value));
}
nlohmann::json stored(NewWindowPlacement value) {
    return std::string(rawValue(value));
}

// Missing, not an array, or any element not a number: the factory presets. Empty stays empty.
std::vector<double> readWidthPresets(const KeyValueStore& store) {
    auto value = store.object("widthPresets");
    if (!value || !value->is_array()) return factoryWidthPresets;
    std::vector<double> presets;
    presets.reserve(value->size());
    for (const auto& item : *value) {
        if (!item.is_number()) return factoryWidthPresets;
        presets.push_back(item.get<double>());
    }
    return presets;
}

// A mask that is negative, wider than 32 bits or not a number at all is no mask; it reads as the
// factory value rather than wrapping into an arbitrary one. Reading a damaged value as 0 would
// turn every default shortcut into a bare key that swallows ordinary typing.
std::uint32_t readBaseModifier(const KeyValueStore& store) {
    auto value = store.object("baseModifier");
    if (!value) return defaultBaseModifier;
    if (value->is_boolean() || !value->is_number()) return defaultBaseModifier;
    constexpr auto max = std::numeric_limits<std::uint32_t>::max();
    if (value->is_number_unsigned()) {
        auto mask = value->get<std::uint64_t>();
        return mask <= max ? static_cast<std::uint32_t>(mask) : defaultBaseModifier;
    }
    if (value->is_number_integer()) {
        auto mask = value->get<std::int64_t>();
        return mask >= 0 && mask <= max ? static_cast<std::uint32_t>(mask) : defaultBaseModifier;
    }
    double mask = value->get<double>();
    if (!std::isfinite(mask) || mask < 0 || mask >= 4294967296.0) return defaultBaseModifier;
    return static_cast<std::uint32_t>(mask);
}

// A stored number brought into the range the settings window's control offers, since a
// hand-edited or damaged file may hold anything and the engine writes other applications'
// windows from these values. Logged once per key, at reading.
template <typename T>
T withinRange(std::string_view key, T value, T low, T high) {
    if (value >= low && value <= high) return value;
    const T bounded = value > high ? high : low;
    std::ostringstream line;
    line << "setting " << key << " = " << value << " is outside " << low << "..." << high
         << "; using " << bounded;
    Log::info(line.str());
    return bounded;
}

std::vector<double> presetsWithinRange(std::vector<double> presets) {
    bool outside = false;
    for (double& preset : presets) {
        const double bounded = std::clamp(preset, 0.25, 1.0);
        outside |= bounded != preset;
        preset = bounded;
    }
    if (outside) Log::info("setting widthPresets holds values outside 0.25...1; using the nearest");
    return presets;
}

}  // namespace

std::string_view rawValue(NewWindowPlacement placement) {
    return placement == NewWindowPlacement::end ? "end" : "afterFocused";
}

nlohmann::json Preferences::factoryDefaults() {
    return {
        {"gap", 10.0},
        {"outerGap", 10.0},
        {"defaultWidth", 0.5},
        {"keepOriginalWidth", false},
        {"widthPresets", factoryWidthPresets},
        {"centerMode", "never"},
        {"placement", "afterFocused"},
        {"animate", true},
        {"focusWidth", 0.7},
        {"focusHeight", 0.9},
        {"animationSpeed", 1.0},
        {"gesturesEnabled", true},
        {"gestureFingers", 3},
        {"gestureSensitivity", 1.0},
        {"naturalSwipe", true},
        {"modifierScroll", true},
        {"baseModifier", defaultBaseModifier},
        {"showIndicator", true},
        {"focusBorder", false},
        {"focusBorderWidth", 3.0},
        {"mouseFollowsFocus", false},
        {"rememberLayout", true},
        {"dockingMemory", true},
        {"floatingApps", nlohmann::json::array()},
        {"excludedDisplays", nlohmann::json::array()},
        {"hasCompletedOnboarding", false},
    };
}

Preferences::Preferences(KeyValueStore& store) : store_(store) {
    store_.registerDefaults(factoryDefaults());
    gap_ = withinRange("gap", store_.number("gap"), 0.0, 40.0);
    outerGap_ = withinRange("outerGap", store_.number("outerGap"), 0.0, 40.0);
    defaultWidth_ = withinRange("defaultWidth", store_.number("defaultWidth"), 0.25, 1.0);
    keepOriginalWidth_ = store_.boolean("keepOriginalWidth");
    widthPresets_ = presetsWithinRange(readWidthPresets(store_));
    centerMode_ = centerModeFromString(store_.string("centerMode")).value_or(CenterMode::never);
    placement_ = store_.string("placement") == "end" ? NewWindowPlacement::end
                                                     : NewWindowPlacement::afterFocused;
    animate_ = store_.boolean("animate");
    focusWidth_ = withinRange("focusWidth", store_.number("focusWidth"), 0.4, 0.95);
    focusHeight_ = withinRange("focusHeight", store_.number("focusHeight"), 0.5, 1.0);
    animationSpeed_ = withinRange("animationSpeed", store_.number("animationSpeed"), 0.5, 2.5);
    gesturesEnabled_ = store_.boolean("gesturesEnabled");
    gestureFingers_ =
        withinRange<std::int64_t>("gestureFingers", store_.integer("gestureFingers"), 3, 4);
    gestureSensitivity_ =
        withinRange("gestureSensitivity", store_.number("gestureSensitivity"), 0.4, 2.5);
    naturalSwipe_ = store_.boolean("naturalSwipe");
    modifierScroll_ = store_.boolean("modifierScroll");
    baseModifier_ = readBaseModifier(store_);
    showIndicator_ = store_.boolean("showIndicator");
    focusBorder_ = store_.boolean("focusBorder");
    focusBorderWidth_ =
        withinRange("focusBorderWidth", store_.number("focusBorderWidth"), 1.0, 8.0);
    mouseFollowsFocus_ = store_.boolean("mouseFollowsFocus");
    rememberLayout_ = store_.boolean("rememberLayout");
    dockingMemory_ = store_.boolean("dockingMemory");
    floatingApps_ = store_.stringArray("floatingApps");
    excludedDisplays_ = store_.stringArray("excludedDisplays");
    hasCompletedOnboarding_ = store_.boolean("hasCompletedOnboarding");
    bindings_ = loadBindings(baseModifier_);
}

Preferences& Preferences::shared() {
    static std::unique_ptr<KeyValueStore> store = []() -> std::unique_ptr<KeyValueStore> {
        if (auto file = FileStore::inConfigFolder(std::string(FileStore::applicationDomain)))
            return file;
        // Without a home folder nothing can persist; the session still runs.
        return std::make_unique<MemoryStore>();
    }();
    static Preferences preferences(*store);
    return preferences;
}

template <typename T>
void Preferences::change(T& field, T value, std::string_view key) {
    willChange.emit(key);
    field = std::move(value);
    store_.set(std::string(key), stored(field));
}

void Preferences::setGap(double value) {
    change(gap_, value, "gap");
}
void Preferences::setOuterGap(double value) {
    change(outerGap_, value, "outerGap");
}
void Preferences::setDefaultWidth(double value) {
    change(defaultWidth_, value, "defaultWidth");
}
void Preferences::setKeepOriginalWidth(bool value) {
    change(keepOriginalWidth_, value, "keepOriginalWidth");
}
void Preferences::setWidthPresets(std::vector<double> value) {
    change(widthPresets_, std::move(value), "widthPresets");
}
void Preferences::setCenterMode(CenterMode value) {
    change(centerMode_, value, "centerMode");
}
void Preferences::setPlacement(NewWindowPlacement value) {
    change(placement_, value, "placement");
}
void Preferences::setAnimate(bool value) {
    change(animate_, value, "animate");
}
void Preferences::setFocusWidth(double value) {
    change(focusWidth_, value, "focusWidth");
}
void Preferences::setFocusHeight(double value) {
    change(focusHeight_, value, "focusHeight");
}
void Preferences::setAnimationSpeed(double value) {
    change(animationSpeed_, value, "animationSpeed");
}
void Preferences::setGesturesEnabled(bool value) {
    change(gesturesEnabled_, value, "gesturesEnabled");
}
void Preferences::setGestureFingers(std::int64_t value) {
    change(gestureFingers_, value, "gestureFingers");
}
void Preferences::setGestureSensitivity(double value) {
    change(gestureSensitivity_, value, "gestureSensitivity");
}
void Preferences::setNaturalSwipe(bool value) {
    change(naturalSwipe_, value, "naturalSwipe");
}
void Preferences::setModifierScroll(bool value) {
    change(modifierScroll_, value, "modifierScroll");
}
void Preferences::setShowIndicator(bool value) {
    change(showIndicator_, value, "showIndicator");
}
void Preferences::setFocusBorder(bool value) {
    change(focusBorder_, value, "focusBorder");
}
void Preferences::setFocusBorderWidth(double value) {
    change(focusBorderWidth_, value, "focusBorderWidth");
}
void Preferences::setMouseFollowsFocus(bool value) {
    change(mouseFollowsFocus_, value, "mouseFollowsFocus");
}
void Preferences::setRememberLayout(bool value) {
    change(rememberLayout_, value, "rememberLayout");
}
void Preferences::setDockingMemory(bool value) {
    change(dockingMemory_, value, "dockingMemory");
}
void Preferences::setFloatingApps(std::vector<std::string> value) {
    change(floatingApps_, std::move(value), "floatingApps");
}
void Preferences::setExcludedDisplays(std::vector<std::string> value) {
    change(excludedDisplays_, std::move(value), "excludedDisplays");
}
void Preferences::setHasCompletedOnboarding(bool value) {
    change(hasCompletedOnboarding_, value, "hasCompletedOnboarding");
}

std::vector<double> Preferences::presets() const {
    if (widthPresets_.empty()) return {0.5};
    return widthPresets_;
}

}  // namespace tessarin
