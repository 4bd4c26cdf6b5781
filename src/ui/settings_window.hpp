#pragma once

#include <map>
#include <memory>
#include <optional>

#include <QWidget>

#include "ui/settings_controls.hpp"
#include "ui/settings_tab.hpp"
#include "ui/shortcut_recorder.hpp"
#include "ui/ui_context.hpp"

class QListWidget;
class QStackedWidget;

namespace tessarin {

// "Tessarin Settings": a sidebar of the tabs and the selected tab's pane. Created once and then
// only hidden and shown; the selected tab lasts as long as the window.
class SettingsWindow : public QWidget {
  public:
    explicit SettingsWindow(UiContext& context, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    void showTab(SettingsTab tab);
    // Shows the window (centred on the screen the first time) on `tab`, or on the tab it last
    // had, in front and active.
    void present(std::optional<SettingsTab> tab = std::nullopt);
    SettingsTab tab() const { return tab_; }

    // The pane of a tab, for tools that picture the window.
    QWidget* pane(SettingsTab tab) const;
    ShortcutRecorder& recorder() { return *recorder_; }

  protected:
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void select(int row);

    UiContext& context_;
    SettingsTab tab_ = SettingsTab::general;
    std::unique_ptr<SettingsBinder> binder_;
    std::unique_ptr<ShortcutRecorder> recorder_;
    QListWidget* sidebar_;
    QStackedWidget* panes_;
    std::map<SettingsTab, QWidget*> paneOf_;
    bool placed_ = false;
};

}  // namespace tessarin
