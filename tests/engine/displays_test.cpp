#include "engine_harness.hpp"

namespace tessarin::test {

// Strips follow their displays out and back in.
class DisplayChanges : public EngineHarness {
  protected:
    static constexpr const char* secondUUID = "SECOND-UUID";
    std::uint32_t second = 0;
    Pid editor = 0;

    void SetUp() override {
        plugPrimary();
        second = plugSecond();
        editor = launch("com.example.editor", "Editor");
        prefs->setKeepOriginalWidth(true);
        prefs->setPlacement(NewWindowPlacement::end);
    }

    std::uint32_t plugSecond() {
        return desktop.plugDisplay(sim::makeDisplay(secondUUID, {1440, 0, 1920, 1080}, "Studio"));
    }
    double fractionOf(WindowID id, const std::string& key) const {
        const Strip* s = strip(key);
        auto where = s ? s->locate(id) : std::nullopt;
        return where ? s->columns[where->first].widthFraction : -1;
    }
};

TEST_F(DisplayChanges, UnpluggedWindowsMoveToThePrimaryAndComeBack) {
    WindowID home = open(editor, "Home", {10, 35, 705, 600});
    WindowID s1 = open(editor, "S1", {1450, 35, 950, 600});
    WindowID s2 = open(editor, "S2", {1450, 35, 470, 600});
    startEngine();
    ASSERT_EQ(stripWindows(), IDs{home});
    ASSERT_EQ(stripWindows(secondUUID), (IDs{s1, s2}));
    const double w1 = fractionOf(s1, secondUUID);
    const double w2 = fractionOf(s2, secondUUID);
    ASSERT_NE(w1, w2);

    desktop.unplugDisplay(second);
    settle();
    EXPECT_EQ(stripWindows(), (IDs{home, s1, s2}));
    EXPECT_EQ(fractionOf(s1, primaryUUID), w1);
    EXPECT_EQ(fractionOf(s2, primaryUUID), w2);
    EXPECT_EQ(strip()->focusedWindow(), home);
    EXPECT_EQ(strip(secondUUID), nullptr);
    EXPECT_EQ(view().detached().count(secondUUID), 1u);
    EXPECT_EQ(view().displayOf(s1), primaryUUID);

    plugSecond();
    settle();
    EXPECT_EQ(stripWindows(), IDs{home});
    EXPECT_EQ(stripWindows(secondUUID), (IDs{s1, s2}));
    EXPECT_EQ(fractionOf(s1, secondUUID), w1);
    EXPECT_EQ(view().displayOf(s2), secondUUID);
    EXPECT_TRUE(view().detached().empty());
}

TEST_F(DisplayChanges, AfterTheFocusedColumnTheMovedWindowsKeepTheirOrder) {
    prefs->setPlacement(NewWindowPlacement::afterFocused);
    WindowID left = open(editor, "Left", {10, 35, 705, 600});
    WindowID s1 = open(editor, "S1", {1450, 35, 950, 600});
    WindowID s2 = open(editor, "S2", {1450, 35, 470, 600});
    WindowID right = open(editor, "Right", {10, 35, 705, 600}, false);
    desktop.focusWindow(left);
    startEngine();
    ASSERT_EQ(stripWindows(), (IDs{left, right}));
    ASSERT_EQ(strip()->focusedWindow(), left);
    ASSERT_EQ(stripWindows(secondUUID), (IDs{s1, s2}));

    desktop.unplugDisplay(second);
    settle();
    EXPECT_EQ(stripWindows(), (IDs{left, s1, s2, right}));
    EXPECT_EQ(strip()->focusedWindow(), left);
}

TEST_F(DisplayChanges, AnEmptyPrimaryStripTakesTheWindowsInTheirOrder) {
    prefs->setPlacement(NewWindowPlacement::afterFocused);
    startEngine();
    std::vector<WindowID> ids;
    for (const char* title : {"S1", "S2", "S3", "S4"}) {
        ids.push_back(open(editor, title, {1450, 35, 600, 600}));
        settle();
    }
    ASSERT_EQ(stripWindows(secondUUID), ids);
    ASSERT_TRUE(stripWindows().empty());
    desktop.unplugDisplay(second);
    settle();
    EXPECT_EQ(stripWindows(), ids);
}

TEST_F(DisplayChanges, WindowsClosedOrParkedWhileUnpluggedAreNotTakenBackWithIt) {
    WindowID s1 = open(editor, "S1", {1450, 35, 950, 600});
    WindowID s2 = open(editor, "S2", {1450, 35, 470, 600});
    WindowID s3 = open(editor, "S3", {1450, 35, 600, 600});
    startEngine();
    desktop.unplugDisplay(second);
    settle();
    ASSERT_EQ(stripWindows(), (IDs{s1, s2, s3}));
    desktop.closeWindow(s1);
    desktop.setMinimized(s2, true);
    settle();
    EXPECT_EQ(stripWindows(), IDs{s3});
    ASSERT_TRUE((view().dormant(s2) != nullptr));

    plugSecond();
    settle();
    EXPECT_EQ(stripWindows(secondUUID), IDs{s3});
    EXPECT_TRUE(stripWindows().empty());
    EXPECT_FALSE(view().displayOf(s1).has_value());
    desktop.setMinimized(s2, false);
    settle();
    // Back once, on the display it left from.
    EXPECT_EQ(stripWindows(), IDs{s2});
    EXPECT_EQ(stripWindows(secondUUID), IDs{s3});
}

TEST_F(DisplayChanges, EmptyStripIsDetachedButNotStoredAgain) {
    WindowID s1 = open(editor, "S1", {1450, 35, 950, 600});
    startEngine();
    desktop.closeWindow(s1);
    settle();
    ASSERT_NE(strip(secondUUID), nullptr);
    ASSERT_TRUE(strip(secondUUID)->isEmpty());

    desktop.unplugDisplay(second);
    settle();
    ASSERT_EQ(view().detached().count(secondUUID), 1u);
    EXPECT_TRUE(view().detached().at(secondUUID).isEmpty());

    plugSecond();
    settle();
    EXPECT_EQ(strip(secondUUID), nullptr);
    EXPECT_TRUE(view().detached().empty());
}

}  // namespace tessarin::test
