#include "core/docking_plan.hpp"
#include "engine_harness.hpp"
#include "settings/docking_store.hpp"

namespace tessarin::test {

class LayoutMemory : public EngineHarness {};

// Docking memory names windows by application and title, read off the main loop; it does not
// depend on the strips being remembered.
TEST_F(LayoutMemory, WithoutRememberLayoutTheMonitorSetupIsStillRemembered) {
    prefs->setRememberLayout(false);
    plugPrimary();
    startEngine();
    openColumns(2);
    engine->perform(Action::wider);
    advance(1.6);
    EXPECT_EQ(store.stripSaves, 0);
    const auto saved = DockingStore(store).get(DockingPlan::setupKey({primaryUUID}));
    ASSERT_TRUE(saved);
    const std::vector<SavedColumn>& columns = saved->displays.at(primaryUUID);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[1].windows.at(0).title, "Window 2");
    EXPECT_EQ(columns[1].windows.at(0).bundleID, "com.example.editor");
    EXPECT_GT(columns[1].widthFraction, columns[0].widthFraction);
    EXPECT_EQ(saved->displayNames.at(primaryUUID), "Built-in");
}

}  // namespace tessarin::test
