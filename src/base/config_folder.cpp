#include "base/config_folder.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace tessarin {

namespace {

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

}  // namespace

std::optional<std::filesystem::path> configFolder(const std::optional<std::string>& xdgConfigHome,
                                                  const std::optional<std::string>& home) {
    // Relative values are invalid for XDG variables and are ignored.
    if (xdgConfigHome && !xdgConfigHome->empty() && xdgConfigHome->front() == '/')
        return std::filesystem::path(*xdgConfigHome) / "tessarin";
    if (home && !home->empty() && home->front() == '/')
        return std::filesystem::path(*home) / ".config" / "tessarin";
    return std::nullopt;
}

std::optional<std::filesystem::path> configFolder() {
    auto home = environment("HOME");
    if (!home || home->empty()) {
        // Services started without a login environment still have a password entry.
        if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
            home = std::string(entry->pw_dir);
    }
    return configFolder(environment("XDG_CONFIG_HOME"), home);
}

}  // namespace tessarin
