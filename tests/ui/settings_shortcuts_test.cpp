#include <QPushButton>
#include <QTest>

#include "core/modifier_mask.hpp"
#include "settings_fixture.hpp"
#include "ui/settings_panes.hpp"

namespace tessarin::test {
namespace {

constexpr std::uint32_t kControlOption = ModifierMask::control | ModifierMask::option;

TEST(ShortcutKeysTest, QtKeysBecomeStoredKeyCodes) {
    struct Row {
        int key;
        bool keypad;
        std::optional<std::uint16_t> code;
    };
    const Row rows[] = {
        {Qt::Key_A, false, 0},
        {Qt::Key_Z, false, 6},
        {Qt::Key_R, false, 15},
        {Qt::Key_1, false, 18},
        {Qt::Key_Exclam, false, 18},
        {Qt::Key_BraceLeft, false, 33},
        {Qt::Key_BracketRight, false, 30},
        {Qt::Key_QuoteDbl, false, 39},
        {Qt::Key_AsciiTilde, false, 50},
        {Qt::Key_Left, false, 123},
        {Qt::Key_Up, false, 126},
        {Qt::Key_Space, false, 49},
        {Qt::Key_Return, false, 36},
        {Qt::Key_Enter, true, 76},
        {Qt::Key_Escape, false, 53},
        {Qt::Key_F1, false, 122},
        {Qt::Key_F12, false, 111},
        {Qt::Key_5, true, 87},
        {Qt::Key_Plus, true, 69},
        {Qt::Key_Plus, false, 24},
        {Qt::Key_Control, false, std::nullopt},
        {0x416, false, std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(keyCodeForQtKey(row.key, row.keypad), row.code) << std::hex << row.key;

    auto combo = comboForQtKey(
        Qt::Key_H, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    ASSERT_TRUE(combo);
    EXPECT_EQ(*combo, (KeyCombo{4, kControlOption | ModifierMask::shift | ModifierMask::command}));
}

using ShortcutRecorderTest = SettingsFixture;

TEST_F(ShortcutRecorderTest, RecordingSuspendsTheHotKeysUntilItStops) {
    ShortcutRecorder& recorder = window.recorder();
    int beeps = 0;
    recorder.beep = [&] { ++beeps; };
    HotKeyCenter& hotKeys = session.hotKeys();
    const std::size_t registered = hotKeys.registeredCount();
    ASSERT_GT(registered, 0u);
    const Bindings before = prefs.bindings();

    find<QPushButton>("record:retile")->click();
    EXPECT_EQ(recorder.recording(), Action::retile);
    EXPECT_TRUE(hotKeys.suspended);
    EXPECT_EQ(hotKeys.registeredCount(), 0u);
    EXPECT_EQ(find<QPushButton>("record:retile")->text(), QString::fromUtf8("Press keys…"));

    // Through the application's key monitor, as a press in any widget would come.
    QTest::keyClick(find<QPushButton>("record:retile"), Qt::Key_Q);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(recorder.recording(), Action::retile);
    QTest::keyClick(find<QPushButton>("record:retile"), Qt::Key_Escape);
    EXPECT_FALSE(recorder.recording());
    EXPECT_FALSE(hotKeys.suspended);
    EXPECT_EQ(hotKeys.registeredCount(), registered);
    EXPECT_EQ(prefs.bindings(), before);
    EXPECT_EQ(find<QPushButton>("record:retile")->text(), "+");

    // A combination the action already has ends the recording unchanged.
    recorder.start(Action::focusLeft);
    EXPECT_TRUE(recorder.handleKey(Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier));
    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(prefs.bindings(), before);
    EXPECT_FALSE(recorder.handleKey(Qt::Key_Left, Qt::ControlModifier));
}

TEST_F(ShortcutRecorderTest, ADuplicateShowsAsAConflictAndChipsRemove) {
    auto* pane = static_cast<ShortcutsPane*>(window.pane(SettingsTab::shortcuts));
    const KeyCombo left{123, kControlOption};
    EXPECT_FALSE(pane->conflicts(left));
    window.showTab(SettingsTab::shortcuts);
    window.recorder().start(Action::retile);
    window.recorder().handleKey(Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(prefs.bindings().at(Action::retile), (std::vector<KeyCombo>{left}));
    EXPECT_TRUE(pane->conflicts(left));
    session.runPending();
    auto* chip = find("chip:retile:0");
    EXPECT_TRUE(chip->property("conflict").toBool());
    EXPECT_FALSE(chip->toolTip().isEmpty());
    EXPECT_TRUE(find("chip:focusLeft:0")->property("conflict").toBool());

    find<QAbstractButton>("removeShortcut:retile:0")->click();
    EXPECT_TRUE(prefs.bindings().at(Action::retile).empty());
    session.runPending();
    EXPECT_FALSE(pane->conflicts(left));
    EXPECT_FALSE(find("chip:focusLeft:0")->property("conflict").toBool());

    // Leaving the pane ends a recording.
    window.recorder().start(Action::center);
    window.showTab(SettingsTab::general);
    EXPECT_FALSE(window.recorder().recording());
    EXPECT_FALSE(session.hotKeys().suspended);

    find<QPushButton>("restoreDefaults")->click();
    EXPECT_EQ(prefs.bindings(), DefaultShortcuts::make(prefs.baseModifier()));
}

}  // namespace
}  // namespace tessarin::test
