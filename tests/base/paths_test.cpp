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

TEST(Paths, FoldersFollowTheXdgVariablesThenTheHomeFolder) {
    struct Case {
        std::map<std::string, std::string> variables;
        Path log, data, settings;
    };
    const Case cases[] = {
        {{{"HOME", "/home/ana"},
          {"XDG_STATE_HOME", "/var/state"},
          {"XDG_DATA_HOME", "/var/data"},
          {"XDG_CONFIG_HOME", "/etc/ana"}},
         "/var/state/Tessarin",
         "/var/data/Tessarin",
         "/etc/ana/tessarin"},
        // Empty or relative values are ignored.
        {{{"HOME", "/home/ana"}, {"XDG_STATE_HOME", ""}, {"XDG_DATA_HOME", "rel/data"}},
         "/home/ana/.local/state/Tessarin",
         "/home/ana/.local/share/Tessarin",
         "/home/ana/.config/tessarin"},
        {{{"XDG_STATE_HOME", "/s"}}, "/s/Tessarin", std::nullopt, std::nullopt},
        {{{"HOME", "relative"}}, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto e = env(c.variables);
        EXPECT_EQ(Paths::logFolder(e), c.log) << c.variables.size();
        EXPECT_EQ(Paths::dataFolder(e), c.data) << c.variables.size();
        EXPECT_EQ(Paths::settingsFolder(e), c.settings) << c.variables.size();
    }
    EXPECT_EQ(Paths::dataFolder(Paths::Environment{}), std::nullopt);
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
