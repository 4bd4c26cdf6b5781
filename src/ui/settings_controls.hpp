#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QLabel>
#include <QSlider>
#include <QString>
#include <QWidget>

#include "base/main_loop.hpp"
#include "base/signal.hpp"
#include "settings/preferences.hpp"

class QFormLayout;
class QGroupBox;
class QCheckBox;

namespace tessarin {

// The widths offered for new windows and for cycling, narrowest first.
inline constexpr std::array<double, 6> widthChoices = {0.25, 1.0 / 3, 0.5, 2.0 / 3, 0.75, 1.0};

// How a width reads in the settings: "One third (33%)", "Half (50%)", … or "42%".
std::string percent(double x);

// The presets with `choice` turned on or off: every value within 0.001 of it removed, the
// choice added when on, sorted ascending.
std::vector<double> toggledPresets(std::vector<double> presets, double choice, bool on);
bool holdsPreset(const std::vector<double>& presets, double choice);

// "5 minutes ago", "in 2 days", "now": how long before `now` something happened, both in
// seconds since the same reference.
std::string relativeTime(double then, double now);

// Re-reads every bound control after a preference changed. Preferences announce a change just
// before making it, so the reading waits for the next turn of the main loop; a burst of changes
// is read once.
class SettingsBinder {
  public:
    SettingsBinder(Preferences& prefs, MainLoop& loop);
    ~SettingsBinder();
    SettingsBinder(const SettingsBinder&) = delete;
    SettingsBinder& operator=(const SettingsBinder&) = delete;

    // `read` brings a control up to date with the preferences; it runs now and after changes.
    void add(std::function<void()> read);
    // Runs every reader at once.
    void refresh();

    Preferences& prefs() { return prefs_; }

  private:
    Preferences& prefs_;
    MainLoop& loop_;
    std::vector<std::function<void()>> readers_;
    Signal<std::string_view>::Token token_;
    bool pending_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// A toggle bound to a boolean preference, named by the preference's key.
QCheckBox* boundToggle(SettingsBinder& binder, const QString& key, const QString& text,
                       bool (Preferences::*get)() const, void (Preferences::*set)(bool));

// A slider over whole points with the value shown as "N pt". While the handle is dragged the
// shown value is a draft handed to `onDraft` and the preference stays; letting go writes the
// draft once, unless it equals the preference. Moves made without dragging (keys, wheel) are
// written at once.
class LabeledSlider : public QWidget {
  public:
    LabeledSlider(SettingsBinder& binder, const QString& key, int minimum, int maximum,
                  double (Preferences::*get)() const, void (Preferences::*set)(double),
                  std::function<void(std::optional<double>)> onDraft, QWidget* parent = nullptr);

    QSlider* slider() const { return slider_; }
    QString valueText() const { return value_->text(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void show(double value);
    void showStored();
    void pressed();
    void moved(int value);
    void released();

    SettingsBinder& binder_;
    double (Preferences::*get_)() const;
    void (Preferences::*set_)(double);
    std::function<void(std::optional<double>)> onDraft_;
    QSlider* slider_;
    QLabel* value_;
    std::optional<double> draft_;
};

// A slider of a fraction in steps of 0.05 shown as "70%"; every movement is written.
class PercentSlider : public QWidget {
  public:
    PercentSlider(SettingsBinder& binder, const QString& key, double minimum, double maximum,
                  double (Preferences::*get)() const, void (Preferences::*set)(double),
                  QWidget* parent = nullptr);
    QSlider* slider() const { return slider_; }
    QString valueText() const { return value_->text(); }

  private:
    QSlider* slider_;
    QLabel* value_;
};

// A slider over a continuous range (in hundredths) with optional words at its ends.
class RangeSlider : public QWidget {
  public:
    RangeSlider(SettingsBinder& binder, const QString& key, double minimum, double maximum,
                double (Preferences::*get)() const, void (Preferences::*set)(double),
                const QString& low = {}, const QString& high = {}, QWidget* parent = nullptr);
    QSlider* slider() const { return slider_; }

  private:
    QSlider* slider_;
};

// A titled group laid out as a form, with an optional footer in the secondary colour.
struct FormSection {
    QGroupBox* box;
    QFormLayout* form;
};
FormSection addSection(QWidget* pane, const QString& header, const QString& footer = {});
// Takes a widget out of its window now and deletes it later: the button that asked for the
// change may still be on the stack.
void retire(QWidget* widget);
// A label in the palette's secondary text colour.
QLabel* secondaryLabel(const QString& text, QWidget* parent = nullptr);

}  // namespace tessarin
