// What an automation URL names, whatever the desktop hands over.
#include "core/automation_url.hpp"

#include <gtest/gtest.h>

namespace tessarin {
namespace {

TEST(AutomationUrl, NamesTheHostElseTheFirstPathComponent) {
    using namespace std::string_literals;
    const struct {
        std::string url;
        std::optional<std::string> command;
    } cases[] = {
        {"tessarin://focusRight", "focusRight"},
        {"tessarin:///focusRight", "focusRight"},
        {"tessarin://focusRight/anything?x=1#y", "focusRight"},
        {"tessarin:///focusRight/anything", "focusRight"},
        {"tessarin://user@focusRight:80/", "focusRight"},
        {"tessarin://FocusRight", "FocusRight"},  // case is the matcher's business
        {"other+x.y-z://focusRight", "focusRight"},
        {"tessarin://focus%52ight", "focusRight"},
        {"tessarin://focus%00Right", "focus\0Right"s},
        {"tessarin:focusRight", std::nullopt},
        {"tessarin:///", std::nullopt},
        {"tessarin://", std::nullopt},
        {"tessarin://?focusRight", std::nullopt},
        {"", std::nullopt},
        {"focusRight", std::nullopt},
        {"://focusRight", std::nullopt},
        {"1x://focusRight", std::nullopt},
        {"tessarin://focus Right", std::nullopt},
        {"tessarin://focus%5", std::nullopt},
        {"tessarin://focus%zzRight", std::nullopt},
        {"tessarin://focus\xffRight", std::nullopt},
        {"tessarin://focus\0Right"s, std::nullopt},
        {"tessarin://focusRight\n", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(automationCommand(c.url), c.command) << c.url;
    EXPECT_EQ(automationCommand("tessarin://" + std::string(1 << 20, 'a')),
              std::string(1 << 20, 'a'));
}

}  // namespace
}  // namespace tessarin
