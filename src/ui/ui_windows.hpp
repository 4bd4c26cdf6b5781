#pragma once

#include <memory>
#include <optional>

#include <QPointer>
#include <QWidget>

#include "shell/app_delegate.hpp"
#include "ui/settings_tab.hpp"
#include "ui/ui_context.hpp"

namespace tessarin {

class OnboardingView;
class SettingsWindow;

// The only way the rest of the application opens the settings window and the first-run tour.
// The settings window is made on first use and then only hidden and shown again; each tour
// replaces the one before.
class UIWindows : public AppWindows {
  public:
    explicit UIWindows(UiContext& context);
    ~UIWindows() override;
    UIWindows(const UIWindows&) = delete;
    UIWindows& operator=(const UIWindows&) = delete;

    // Opens the settings window on its current tab, in front of every other application.
    void showSettings() override;
    // Opens it on `tab` when one is given.
    void showSettings(std::optional<SettingsTab> tab);
    // Shows a new tour from its first step, closing any earlier one.
    void showOnboarding() override;

    // None before first use.
    SettingsWindow* settingsWindow() const { return settings_.get(); }
    OnboardingView* onboardingWindow() const { return onboarding_; }

  private:
    UiContext& context_;
    std::unique_ptr<SettingsWindow> settings_;
    QPointer<OnboardingView> onboarding_;
};

}  // namespace tessarin
