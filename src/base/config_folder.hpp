#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tessarin {

// The per-user configuration folder of the application: "$XDG_CONFIG_HOME/tessarin", or
// "~/.config/tessarin" when that variable is unset, empty or relative. None when no home
// folder can be found.
std::optional<std::filesystem::path> configFolder();

// The same rule over given values of $XDG_CONFIG_HOME and $HOME (none when unset).
std::optional<std::filesystem::path> configFolder(const std::optional<std::string>& xdgConfigHome,
                                                  const std::optional<std::string>& home);

}  // namespace tessarin
