#include "input/hot_key_center.hpp"

#include <gtest/gtest.h>

#include "backends/sim/sim_input.hpp"
#include "base/memory_store.hpp"
#include "base/virtual_loop.hpp"

namespace tessarin {
namespace {

constexpr std::uint32_t kLeft = 123, kRight = 124, kH = 4;
constexpr std::uint32_t kBase = ModifierMask::control | ModifierMask::option;

struct HotKeyCenterTest : ::testing::Test {
    VirtualLoop loop;
    sim::SimInput system{loop};
    MemoryStore store;
    Preferences prefs{store};  // outlives the center, which may follow it
    HotKeyCenter center{system};
    std::vector<Action> ran;

    void SetUp() override {
        center.onAction = [this](Action action) { ran.push_back(action); };
    }
    std::vector<Action> press(std::uint32_t key, std::uint32_t modifiers = kBase) {
        ran.clear();
        system.pressKey(key, modifiers);
        loop.runPending();
        return ran;
    }
    std::vector<std::uint32_t> ids() const {
        std::vector<std::uint32_t> out;
        for (const auto& entry : system.hotKeys())
            out.push_back(entry.second.id);
        return out;
    }
};

TEST_F(HotKeyCenterTest, RegistersInCatalogueOrderWithIdsSpentOnlyOnSuccess) {
    system.takeCombination(kH, kBase);
    // focusRight comes after focusLeft in the catalogue, whatever the map's order.
    center.bindings = {{Action::focusRight, {{kRight, kBase}, {kLeft, kBase}, {kH, kBase}}},
                       {Action::focusLeft, {{kH, kBase}, {kLeft, kBase}}}};
    center.registerAll();
    ASSERT_TRUE(center.handlerInstalled());
    // h is taken by another program, so focusLeft's arrow gets id 1; focusRight's left arrow
    // clashes with it; h, refused twice, is listed once.
    EXPECT_EQ(ids(), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(center.failed(), (std::vector<KeyCombo>{{kH, kBase}, {kLeft, kBase}}));
    EXPECT_EQ(press(kLeft), std::vector<Action>{Action::focusLeft});
    EXPECT_EQ(press(kRight), std::vector<Action>{Action::focusRight});
    EXPECT_TRUE(press(kRight, kBase | ModifierMask::shift).empty());
    for (const auto& entry : system.hotKeys())
        EXPECT_EQ(entry.second.signature, HotKeyCenter::kSignature);

    // Registering again replaces the table: one registration per combination, ids from 1.
    center.registerAll();
    EXPECT_EQ(ids(), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(center.failed().size(), 2u);
}

TEST_F(HotKeyCenterTest, UnregisteredOrStalePressesDoNothing) {
    center.bindings = {{Action::focusLeft, {{kLeft, kBase}}}};
    center.registerAll();
    center.unregisterAll();
    EXPECT_EQ(center.registeredCount(), 0u);
    EXPECT_TRUE(system.hotKeys().empty());
    EXPECT_TRUE(press(kLeft).empty());
    // A press for an id of an older table is swallowed.
    center.handlePress({HotKeyCenter::kSignature, 1});
    EXPECT_TRUE(ran.empty());

    center.bindings = {};
    center.registerAll();
    EXPECT_TRUE(center.failed().empty());
    EXPECT_EQ(center.registeredCount(), 0u);
}

TEST_F(HotKeyCenterTest, FollowsTheBindingsUnlessSuspended) {
    prefs.setBaseModifier(kBase);
    center.follow(prefs, loop);
    EXPECT_EQ(press(kLeft), std::vector<Action>{Action::focusLeft});

    const std::uint32_t newBase = ModifierMask::command | ModifierMask::option;
    prefs.setBaseModifier(newBase);
    loop.runPending();
    EXPECT_TRUE(press(kLeft).empty());
    EXPECT_EQ(press(kLeft, newBase), std::vector<Action>{Action::focusLeft});

    // While a shortcut is recorded, changes wait for the recorder's own registerAll().
    center.suspended = true;
    center.unregisterAll();
    prefs.setBaseModifier(kBase);
    loop.runPending();
    EXPECT_TRUE(system.hotKeys().empty());
    center.suspended = false;
    center.registerAll();
    EXPECT_EQ(press(kLeft), std::vector<Action>{Action::focusLeft});
}

}  // namespace
}  // namespace tessarin
