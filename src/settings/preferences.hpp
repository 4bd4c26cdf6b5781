#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/key_value_store.hpp"
#include "base/signal.hpp"
#include "core/default_shortcuts.hpp"
#include "core/layout_config.hpp"

namespace tessarin {

// Where a newly admitted window's column goes.
enum class NewWindowPlacement { afterFocused, end };

inline constexpr std::array<NewWindowPlacement, 2> allNewWindowPlacements{
    NewWindowPlacement::afterFocused, NewWindowPlacement::end};

std::string_view rawValue(NewWindowPlacement placement);

// Factory value of the base modifier: control + option.
inline constexpr std::uint32_t defaultBaseModifier = 0x1800;

// The user's settings. Every setting is read once at construction (unset keys read their
// factory default) and written to the store the moment it changes; observers hear of a change
// just before it happens. Key bindings are the exception: they are written by saveBindings.
// Main thread only.
class Preferences {
  public:
    explicit Preferences(KeyValueStore& store);
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    // The application's instance over its own settings file, created on first use.
    static Preferences& shared();

    // Called with the key of a setting just before it changes ("bindings" for the bindings).
    Signal<std::string_view> willChange;

    KeyValueStore& store() { return store_; }

    double gap() const { return gap_; }
    void setGap(double value);
    double outerGap() const { return outerGap_; }
    void setOuterGap(double value);
    double defaultWidth() const { return defaultWidth_; }
    void setDefaultWidth(double value);
    bool keepOriginalWidth() const { return keepOriginalWidth_; }
    void setKeepOriginalWidth(bool value);
    const std::vector<double>& widthPresets() const { return widthPresets_; }
    void setWidthPresets(std::vector<double> value);
    CenterMode centerMode() const { return centerMode_; }
    void setCenterMode(CenterMode value);
    NewWindowPlacement placement() const { return placement_; }
    void setPlacement(NewWindowPlacement value);
    bool animate() const { return animate_; }
    void setAnimate(bool value);
    double focusWidth() const { return focusWidth_; }
    void setFocusWidth(double value);
    double focusHeight() const { return focusHeight_; }
    void setFocusHeight(double value);
    double animationSpeed() const { return animationSpeed_; }
    void setAnimationSpeed(double value);
    bool gesturesEnabled() const { return gesturesEnabled_; }
    void setGesturesEnabled(bool value);
    std::int64_t gestureFingers() const { return gestureFingers_; }
    void setGestureFingers(std::int64_t value);
    double gestureSensitivity() const { return gestureSensitivity_; }
    void setGestureSensitivity(double value);
    bool naturalSwipe() const { return naturalSwipe_; }
    void setNaturalSwipe(bool value);
    bool modifierScroll() const { return modifierScroll_; }
    void setModifierScroll(bool value);
    std::uint32_t baseModifier() const { return baseModifier_; }
    // Changes the base modifier and moves every binding that holds all of the old base onto
    // the new one; a combo recorded without the old base keeps its modifiers. Saves both.
    void setBaseModifier(std::uint32_t value);
    const Bindings& bindings() const { return bindings_; }
    // Not written; call saveBindings when the edit is complete.
    void setBindings(Bindings value);
    bool showIndicator() const { return showIndicator_; }
    void setShowIndicator(bool value);
    bool focusBorder() const { return focusBorder_; }
    void setFocusBorder(bool value);
    double focusBorderWidth() const { return focusBorderWidth_; }
    void setFocusBorderWidth(double value);
    bool mouseFollowsFocus() const { return mouseFollowsFocus_; }
    void setMouseFollowsFocus(bool value);
    bool rememberLayout() const { return rememberLayout_; }
    void setRememberLayout(bool value);
    bool dockingMemory() const { return dockingMemory_; }
    void setDockingMemory(bool value);
    const std::vector<std::string>& floatingApps() const { return floatingApps_; }
    void setFloatingApps(std::vector<std::string> value);
    const std::vector<std::string>& excludedDisplays() const { return excludedDisplays_; }
    void setExcludedDisplays(std::vector<std::string> value);
    bool hasCompletedOnboarding() const { return hasCompletedOnboarding_; }
    void setHasCompletedOnboarding(bool value);

    // The width presets for cycling; [0.5] when the list is empty.
    std::vector<double> presets() const;

    // The factory bindings for `base` with the stored bindings laid over them: a stored
    // action's list replaces its factory list, even when empty. Stored bindings that do not
    // decode are ignored as a whole.
    Bindings loadBindings(std::uint32_t base) const;
    // Writes the bindings under "bindings"; false, leaving the stored value, when they
    // cannot be encoded.
    bool saveBindings();
    // The factory bindings for the current base modifier, saved.
    void restoreDefaultShortcuts();
    // Actions whose list holds `combo`, in catalogue order.
    std::vector<Action> actionsBoundTo(const KeyCombo& combo) const;

    // The factory defaults of every setting but the bindings, as registered with the store.
    static nlohmann::json factoryDefaults();

  private:
    template <typename T>
    void change(T& field, T value, std::string_view key);

    KeyValueStore& store_;
    double gap_ = 10.0;
    double outerGap_ = 10.0;
    double defaultWidth_ = 0.5;
    bool keepOriginalWidth_ = false;
    std::vector<double> widthPresets_;
    CenterMode centerMode_ = CenterMode::never;
    NewWindowPlacement placement_ = NewWindowPlacement::afterFocused;
    bool animate_ = true;
    double focusWidth_ = 0.7;
    double focusHeight_ = 0.9;
    double animationSpeed_ = 1.0;
    bool gesturesEnabled_ = true;
    std::int64_t gestureFingers_ = 3;
    double gestureSensitivity_ = 1.0;
    bool naturalSwipe_ = true;
    bool modifierScroll_ = true;
    std::uint32_t baseModifier_ = defaultBaseModifier;
    Bindings bindings_;
    bool showIndicator_ = true;
    bool focusBorder_ = false;
    double focusBorderWidth_ = 3.0;
    bool mouseFollowsFocus_ = false;
    bool rememberLayout_ = true;
    bool dockingMemory_ = true;
    std::vector<std::string> floatingApps_;
    std::vector<std::string> excludedDisplays_;
    bool hasCompletedOnboarding_ = false;
};

}  // namespace tessarin
