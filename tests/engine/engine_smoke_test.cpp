#include "engine_harness.hpp"
namespace tessarin::test {
class EngineSmoke : public EngineHarness {};
TEST_F(EngineSmoke, StartsAndStopsOnAnEmptyDesktop) {
    plugPrimary();
    startEngine();
    EXPECT_TRUE(engine->isRunning());
    EXPECT_TRUE(takeLog().size() >= 1);
    engine->stop(true);
    EXPECT_TRUE(engine->isPaused());
}
}
