#include <gtest/gtest.h>

#include "base/config_folder.hpp"

namespace tessarin {
namespace {

TEST(ConfigFolder, FollowsXdgConfigHomeThenHome) {
    EXPECT_EQ(configFolder(std::string("/x/cfg"), std::string("/home/u")), "/x/cfg/tessarin");
    EXPECT_EQ(configFolder(std::nullopt, std::string("/home/u")), "/home/u/.config/tessarin");
    // Empty or relative XDG values are invalid and ignored.
    EXPECT_EQ(configFolder(std::string(""), std::string("/home/u")), "/home/u/.config/tessarin");
    EXPECT_EQ(configFolder(std::string("cfg"), std::string("/home/u")), "/home/u/.config/tessarin");
    EXPECT_EQ(configFolder(std::string("/x/cfg"), std::nullopt), "/x/cfg/tessarin");
    EXPECT_EQ(configFolder(std::nullopt, std::nullopt), std::nullopt);
    EXPECT_EQ(configFolder(std::string("rel"), std::string("also-rel")), std::nullopt);
}

TEST(ConfigFolder, ProcessEnvironmentGivesAnAbsoluteFolder) {
    auto folder = configFolder();
    ASSERT_TRUE(folder.has_value());  // a test run always has a user
    EXPECT_TRUE(folder->is_absolute());
    EXPECT_EQ(folder->filename(), "tessarin");
}

}  // namespace
}  // namespace tessarin
