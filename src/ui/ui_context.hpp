#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/keyboard_layout.hpp"
#include "engine/window_manager.hpp"
#include "input/hot_key_center.hpp"
#include "platform/platform.hpp"
#include "settings/preferences.hpp"
#include "shell/login_item.hpp"
#include "ui/settings_tab.hpp"

namespace tessarin {

// What every window of the user interface works with, handed in by the program (or a test).
// The callbacks connect the windows to each other without each knowing how the others are made;
// one left empty does nothing.
struct UiContext {
    Platform platform;
    Preferences& prefs;
    WindowManager& engine;
    // The global shortcuts; none in tests that do not record shortcuts.
    HotKeyCenter* hotKeys = nullptr;
    // Starting at login; none hides the controls that change it.
    LoginItem* loginItem = nullptr;
    std::string version;

    std::function<void(std::optional<SettingsTab>)> showSettings = {};
    std::function<void()> showOnboarding = {};
    std::function<void()> quit = {};
    // The gap preview on every display while a gap slider is dragged.
    std::function<void(double gap, double outerGap, const std::string& caption)> showGapPreview =
        {};
    std::function<void()> hideGapPreview = {};
    // Labels the keys of shortcuts as the user's keyboard shows them (the US layout when none).
    const KeyboardLayout* keyboardLayout = nullptr;
};

}  // namespace tessarin
