#pragma once

#include <QWidget>

#include "ui/settings_tab.hpp"
#include "ui/ui_context.hpp"

namespace tessarin {

// "Tessarin Settings": a sidebar of the tabs and the selected tab's pane. Created once and then
// only hidden and shown; the selected tab lasts as long as the window.
class SettingsWindow : public QWidget {
  public:
    explicit SettingsWindow(UiContext& context, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    void showTab(SettingsTab tab);
    SettingsTab tab() const { return tab_; }

  private:
    UiContext& context_;
    SettingsTab tab_ = SettingsTab::general;
};

}  // namespace tessarin
