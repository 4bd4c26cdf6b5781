#include "ui/shortcut_recorder.hpp"

#include <string_view>

#include <QApplication>
#include <QKeyEvent>

#include "core/keyboard_layout.hpp"

namespace tessarin {

namespace {

constexpr std::uint16_t kEscape = 53;

struct NamedKey {
    int key;
    std::uint16_t code;
};

// clang-format off
constexpr NamedKey namedKeys[] = {
    {Qt::Key_Left, 123}, {Qt::Key_Right, 124}, {Qt::Key_Down, 125}, {Qt::Key_Up, 126},
    {Qt::Key_Space, 49}, {Qt::Key_Return, 36}, {Qt::Key_Enter, 36}, {Qt::Key_Tab, 48},
    {Qt::Key_Backtab, 48}, {Qt::Key_Backspace, 51}, {Qt::Key_Delete, 117},
    {Qt::Key_Escape, kEscape}, {Qt::Key_Insert, 114}, {Qt::Key_Home, 115}, {Qt::Key_End, 119},
    {Qt::Key_PageUp, 116}, {Qt::Key_PageDown, 121}, {Qt::Key_section, 10},
    {Qt::Key_F1, 122}, {Qt::Key_F2, 120}, {Qt::Key_F3, 99}, {Qt::Key_F4, 118}, {Qt::Key_F5, 96},
    {Qt::Key_F6, 97}, {Qt::Key_F7, 98}, {Qt::Key_F8, 100}, {Qt::Key_F9, 101}, {Qt::Key_F10, 109},
    {Qt::Key_F11, 103}, {Qt::Key_F12, 111},
};
// clang-format on

// What Shift types on a US keyboard, paired with the key's own character.
constexpr std::string_view kShifted = "!@#$%^&*()_+{}|:\"<>?~";
constexpr std::string_view kUnshifted = "1234567890-=[]\\;',./`";

// The keypad's codes come after every other character key of the layout.
constexpr std::uint16_t kFirstKeypadCode = 65;

std::optional<std::uint16_t> codeTyping(char character, bool keypad) {
    static const UsKeyboardLayout layout;
    const std::uint16_t first = keypad ? kFirstKeypadCode : 0;
    const std::uint16_t last = keypad ? 127 : kFirstKeypadCode - 1;
    for (std::uint16_t code = first; code <= last; ++code) {
        auto text = layout.character(code);
        if (text && text->size() == 1 && (*text)[0] == character) return code;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::uint16_t> keyCodeForQtKey(int key, bool keypad) {
    if (keypad && key == Qt::Key_Enter) return 76;
    for (const NamedKey& named : namedKeys)
        if (named.key == key) return named.code;
    if (key <= 0x20 || key >= 0x7F) return std::nullopt;
    char character = static_cast<char>(key);
    if (character >= 'A' && character <= 'Z') character = static_cast<char>(character + 32);
    if (auto at = kShifted.find(character); at != std::string_view::npos && !keypad)
        character = kUnshifted[at];
    if (keypad) {
        if (auto code = codeTyping(character, true)) return code;
    }
    return codeTyping(character, false);
}

std::optional<KeyCombo> comboForQtKey(int key, Qt::KeyboardModifiers modifiers) {
    auto code = keyCodeForQtKey(key, modifiers.testFlag(Qt::KeypadModifier));
    if (!code) return std::nullopt;
    std::uint64_t flags = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) flags |= EventFlag::shift;
    if (modifiers.testFlag(Qt::ControlModifier)) flags |= EventFlag::control;
    if (modifiers.testFlag(Qt::AltModifier)) flags |= EventFlag::option;
    if (modifiers.testFlag(Qt::MetaModifier)) flags |= EventFlag::command;
    return KeyCombo::fromEvent(*code, flags);
}

ShortcutRecorder::ShortcutRecorder(Preferences& prefs, HotKeyCenter* hotKeys, QObject* parent)
    : QObject(parent), beep([] { QApplication::beep(); }), prefs_(prefs), hotKeys_(hotKeys) {}

ShortcutRecorder::~ShortcutRecorder() {
    stop();
}

void ShortcutRecorder::start(Action action) {
    stop();
    recording_ = action;
    if (hotKeys_) {
        hotKeys_->suspended = true;
        hotKeys_->unregisterAll();
    }
    if (!monitoring_ && qApp) {
        qApp->installEventFilter(this);
        monitoring_ = true;
    }
    Q_EMIT recordingChanged();
}

void ShortcutRecorder::stop() {
    if (monitoring_ && qApp) qApp->removeEventFilter(this);
    monitoring_ = false;
    const bool was = recording_.has_value();
    recording_.reset();
    if (hotKeys_ && hotKeys_->suspended) {
        hotKeys_->suspended = false;
        hotKeys_->registerAll();
    }
    if (was) Q_EMIT recordingChanged();
}

bool ShortcutRecorder::handleKey(int key, Qt::KeyboardModifiers modifiers) {
    if (!recording_) return false;
    if (key == Qt::Key_Escape) {
        stop();
        return true;
    }
    constexpr auto commandKeys = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    auto combo = comboForQtKey(key, modifiers);
    if (!(modifiers & commandKeys) || !combo) {
        // A modifier pressed on its own is the start of a combination, not a mistake.
        const bool modifierOnly = key == Qt::Key_Control || key == Qt::Key_Alt ||
                                  key == Qt::Key_Meta || key == Qt::Key_Shift ||
                                  key == Qt::Key_Super_L || key == Qt::Key_Super_R;
        if (!modifierOnly && beep) beep();
        return true;
    }
    Bindings bindings = prefs_.bindings();
    std::vector<KeyCombo>& list = bindings[*recording_];
    if (std::find(list.begin(), list.end(), *combo) == list.end()) {
        list.push_back(*combo);
        prefs_.setBindings(std::move(bindings));
        prefs_.saveBindings();
    }
    stop();
    return true;
}

bool ShortcutRecorder::eventFilter(QObject* watched, QEvent* event) {
    // Every widget of the path sees the press as it travels; only its first sight counts.
    if (event->type() == QEvent::KeyPress && recording_ && watched->isWidgetType()) {
        auto* key = static_cast<QKeyEvent*>(event);
        return handleKey(key->key(), key->modifiers());
    }
    if (event->type() == QEvent::ShortcutOverride && recording_) {
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tessarin
