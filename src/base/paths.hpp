#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tessarin {

// Where the application keeps its files, after the XDG base-directory rules. Each folder is a
// pure function of an environment lookup so that tests can hand in their own environment.
// Nothing here touches the file system.
struct Paths {
    // Reads one environment variable; absent when unset.
    using Environment = std::function<std::optional<std::string>(const std::string& name)>;

    // The process environment.
    static Environment systemEnvironment();

    // "$XDG_STATE_HOME/Tessarin", else "~/.local/state/Tessarin": the log and the state dump.
    static std::optional<std::filesystem::path> logFolder(const Environment& env);
    // "$XDG_DATA_HOME/Tessarin", else "~/.local/share/Tessarin".
    static std::optional<std::filesystem::path> dataFolder(const Environment& env);
    // "$XDG_CONFIG_HOME/tessarin", else "~/.config/tessarin".
    static std::optional<std::filesystem::path> settingsFolder(const Environment& env);

    // The base folder named by `variable`, else `fallback` under the home folder. Absent when
    // neither gives an absolute path.
    static std::optional<std::filesystem::path> base(const Environment& env,
                                                     const std::string& variable,
                                                     const std::filesystem::path& fallback);
};

}  // namespace tessarin
