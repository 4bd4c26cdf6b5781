#include "base/paths.hpp"

#include <cstdlib>

namespace tessarin {

namespace {

// Relative values are invalid under the XDG rules and are ignored, as are empty ones.
std::optional<std::filesystem::path> absolute(const Paths::Environment& env,
                                              const std::string& name) {
    if (!env) return std::nullopt;
    auto value = env(name);
    if (!value || value->empty()) return std::nullopt;
    std::filesystem::path path(*value);
    if (!path.is_absolute()) return std::nullopt;
    return path;
}

std::optional<std::filesystem::path> child(const std::optional<std::filesystem::path>& parent,
                                           const char* name) {
    if (!parent) return std::nullopt;
    return *parent / name;
}

}  // namespace

Paths::Environment Paths::systemEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (!value) return std::nullopt;
        return std::string(value);
    };
}

std::optional<std::filesystem::path> Paths::base(const Environment& env,
                                                 const std::string& variable,
                                                 const std::filesystem::path& fallback) {
    if (auto path = absolute(env, variable)) return path;
    if (auto home = absolute(env, "HOME")) return *home / fallback;
    return std::nullopt;
}

std::optional<std::filesystem::path> Paths::logFolder(const Environment& env) {
    return child(base(env, "XDG_STATE_HOME", ".local/state"), "Tessarin");
}

std::optional<std::filesystem::path> Paths::dataFolder(const Environment& env) {
    return child(base(env, "XDG_DATA_HOME", ".local/share"), "Tessarin");
}

std::optional<std::filesystem::path> Paths::settingsFolder(const Environment& env) {
    return child(base(env, "XDG_CONFIG_HOME", ".config"), "tessarin");
}

}  // namespace tessarin
