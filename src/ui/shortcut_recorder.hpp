#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QObject>

#include "core/action.hpp"
#include "core/key_combo.hpp"
#include "input/hot_key_center.hpp"
#include "settings/preferences.hpp"

namespace tessarin {

// The stored key code of the key a toolkit key event names. Stored codes name key positions of
// a US keyboard, and the X backend grabs them by the keysym that position types there; the
// toolkit reports the keysym typed, so the two meet in the US layout's characters. Shifted
// symbols ("!", "{") name their unshifted key; `keypad` picks the keypad's own codes. None for a
// key no stored code names (a modifier alone, a letter of another script).
std::optional<std::uint16_t> keyCodeForQtKey(int key, bool keypad);

// A key event as a stored combination: Control, Alt (as Option), Meta (as Command) and Shift.
std::optional<KeyCombo> comboForQtKey(int key, Qt::KeyboardModifiers modifiers);

// Records a shortcut for one action at a time from the keys pressed in this application. The
// global hot keys are switched off meanwhile, so pressing a shortcut already in use records it
// instead of running it.
class ShortcutRecorder : public QObject {
    Q_OBJECT

  public:
    ShortcutRecorder(Preferences& prefs, HotKeyCenter* hotKeys, QObject* parent = nullptr);
    ~ShortcutRecorder() override;

    std::optional<Action> recording() const { return recording_; }
    void start(Action action);
    void stop();

    // A key pressed while recording; false when the recorder is idle and lets it pass.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);

    // The sound for a key without Control, Option or Command; the system beep unless replaced.
    std::function<void()> beep;

  Q_SIGNALS:
    void recordingChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Preferences& prefs_;
    HotKeyCenter* hotKeys_;
    std::optional<Action> recording_;
    bool monitoring_ = false;
};

}  // namespace tessarin
