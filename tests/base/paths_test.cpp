#include "base/paths.hpp"

#include <gtest/gtest.h>

#include <map>

namespace tessarin {
namespace {

Paths::Environment env(std::map<std::string, std::string> values) {
    return [values](const std::string& name) -> std::optional<std::string> {
        auto it = values.find(name);
        if (it == values.end()) return std::nullopt;
        return it->second;
    };
}

using Path = std::optional<std::filesystem::path>;

TEST(Paths, FoldersFollowTheXdgVariables) {
    auto e = env({{"HOME", "/home/ana"},
                  {"XDG_STATE_HOME", "/var/state"},
                  {"XDG_DATA_HOME", "/var/data"},
                  {"XDG_CONFIG_HOME", "/etc/ana"}});
    EXPECT_EQ(Paths::logFolder(e), Path("/var/state/Tessarin"));
    EXPECT_EQ(Paths::dataFolder(e), Path("/var/data/Tessarin"));
    EXPECT_EQ(Paths::settingsFolder(e), Path("/etc/ana/tessarin"));
}

TEST(Paths, FoldersFallBackToTheHomeFolder) {
    auto e = env({{"HOME", "/home/ana"}});
    EXPECT_EQ(Paths::logFolder(e), Path("/home/ana/.local/state/Tessarin"));
    EXPECT_EQ(Paths::dataFolder(e), Path("/home/ana/.local/share/Tessarin"));
    EXPECT_EQ(Paths::settingsFolder(e), Path("/home/ana/.config/tessarin"));
}

TEST(Paths, EmptyOrRelativeXdgValuesAreIgnored) {
    auto e = env({{"HOME", "/home/ana"}, {"XDG_STATE_HOME", ""}, {"XDG_DATA_HOME", "rel/data"}});
    EXPECT_EQ(Paths::logFolder(e), Path("/home/ana/.local/state/Tessarin"));
    EXPECT_EQ(Paths::dataFolder(e), Path("/home/ana/.local/share/Tessarin"));
}

TEST(Paths, WithoutAnyUsableBaseThereIsNoFolder) {
    EXPECT_EQ(Paths::logFolder(env({})), std::nullopt);
    EXPECT_EQ(Paths::settingsFolder(env({{"HOME", "relative"}})), std::nullopt);
    EXPECT_EQ(Paths::dataFolder(Paths::Environment{}), std::nullopt);
    // An XDG value alone is enough.
    EXPECT_EQ(Paths::logFolder(env({{"XDG_STATE_HOME", "/s"}})), Path("/s/Tessarin"));
}

TEST(Paths, SystemEnvironmentReadsTheProcessEnvironment) {
    ::setenv("TESSARIN_PATHS_PROBE", "/probe", 1);
    ::unsetenv("TESSARIN_PATHS_ABSENT");
    auto e = Paths::systemEnvironment();
    EXPECT_EQ(e("TESSARIN_PATHS_PROBE"), std::optional<std::string>("/probe"));
    EXPECT_EQ(e("TESSARIN_PATHS_ABSENT"), std::nullopt);
}

}  // namespace
}  // namespace tessarin
