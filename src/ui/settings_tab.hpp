#pragma once

#include <array>
#include <string_view>

namespace tessarin {

// The settings window's tabs, in sidebar order.
enum class SettingsTab { general, layout, gestures, shortcuts, apps, setup, about };

inline constexpr std::array<SettingsTab, 7> allSettingsTabs = {
    SettingsTab::general, SettingsTab::layout, SettingsTab::gestures, SettingsTab::shortcuts,
    SettingsTab::apps,    SettingsTab::setup,  SettingsTab::about};

constexpr std::string_view title(SettingsTab tab) {
    switch (tab) {
        case SettingsTab::general:
            return "General";
        case SettingsTab::layout:
            return "Layout";
        case SettingsTab::gestures:
            return "Gestures";
        case SettingsTab::shortcuts:
            return "Shortcuts";
        case SettingsTab::apps:
            return "Apps & Displays";
        case SettingsTab::setup:
            return "Desktop Setup";
        case SettingsTab::about:
            return "About";
    }
    return "";
}

}  // namespace tessarin
