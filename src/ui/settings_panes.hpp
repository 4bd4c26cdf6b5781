#pragma once

#include <map>
#include <string>
#include <vector>

#include <QGroupBox>
#include <QWidget>

#include "core/saved_arrangement.hpp"
#include "ui/settings_controls.hpp"
#include "ui/shortcut_recorder.hpp"
#include "ui/ui_context.hpp"

class QPushButton;
class QVBoxLayout;
class QMenu;
class QCheckBox;

namespace tessarin {

// The panes of the settings window. Each control is named after the preference it edits (its
// key), so that the program's tests and tools find it; the panes read and write the shared
// preferences directly through the binder.
QWidget* makeGeneralPane(UiContext& context, SettingsBinder& binder);
QWidget* makeLayoutPane(UiContext& context, SettingsBinder& binder);
QWidget* makeGesturesPane(SettingsBinder& binder);
QWidget* makeAboutPane(UiContext& context);

// The caption of the gap preview while a gap slider is dragged.
std::string gapCaption(bool outer, double value);

// The remembered arrangements per monitor setup, newest first, each with a "Forget" button.
// Read from the settings again whenever the section comes on screen.
class MonitorSetupsList : public QWidget {
  public:
    MonitorSetupsList(Preferences& prefs, QWidget* parent = nullptr);
    void reload();
    // Removes the setup from the stored arrangements and reads them again.
    void forget(const std::string& setupKey);
    const std::vector<std::string>& keys() const { return keys_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    Preferences& prefs_;
    QVBoxLayout* rows_;
    std::vector<std::string> keys_;
    std::map<std::string, SavedArrangement> shown_;
};

// The running applications that can be added to the floating list: regular applications other
// than this one (by process or identifier), sorted by name.
std::vector<RunningApplication> floatingCandidates(std::vector<RunningApplication> apps,
                                                   Pid ownPid);

// Floating apps and the displays that are tiled.
class AppsPane : public QWidget {
  public:
    AppsPane(UiContext& context, SettingsBinder& binder, QWidget* parent = nullptr);
    ~AppsPane() override;
    // Builds the "Add a running app…" menu from the applications running now.
    void fillAddMenu();
    void rebuildDisplays();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void rebuildApps();

    UiContext& context_;
    QVBoxLayout* apps_;
    QVBoxLayout* displays_;
    QMenu* addMenu_;
    std::vector<std::string> shownApps_;
    std::vector<std::string> shownDisplays_;
    std::map<std::string, QCheckBox*> displayToggles_;
    Workspace::ObserverID observer_ = 0;
};

// The base modifier, and one row per action with its shortcuts as chips.
class ShortcutsPane : public QWidget {
  public:
    ShortcutsPane(UiContext& context, SettingsBinder& binder, ShortcutRecorder& recorder,
                  QWidget* parent = nullptr);

    // Whether the combination is bound to two actions or was refused by the system.
    bool conflicts(const KeyCombo& combo) const;

  private:
    void rebuildChips();
    void updateRecordButtons();

    UiContext& context_;
    ShortcutRecorder& recorder_;
    std::map<Action, QWidget*> chips_;
    std::map<Action, QPushButton*> recordButtons_;
    Bindings shownBindings_;
    std::vector<KeyCombo> shownFailed_;
    bool built_ = false;
};

}  // namespace tessarin
