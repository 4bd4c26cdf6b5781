#include "shell/login_item.hpp"

#include <string>

#include "base/log.hpp"
#include "base/replace_file.hpp"
#include "shell/desktop_entry.hpp"

namespace tessarin {

namespace fs = std::filesystem;

LoginItem::LoginItem(Paths::Environment env, fs::path executable)
    : env_(std::move(env)), executable_(std::move(executable)) {}

std::optional<fs::path> LoginItem::path() const {
    auto config = Paths::base(env_, "XDG_CONFIG_HOME", ".config");
    if (!config) return std::nullopt;
    return *config / "autostart" / "tessarin.desktop";
}

LoginItem::Status LoginItem::status() const {
    auto file = path();
    std::error_code error;
    if (!file || !fs::exists(fs::symlink_status(*file, error))) return Status::disabled;
    return fileHasLine(*file, markerLine) ? Status::enabled : Status::foreign;
}

bool LoginItem::registerItem() {
    auto file = path();
    auto exec = execArgument(executable_.string());
    if (!file || !exec || !executable_.is_absolute()) return false;
    const std::string text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Tessarin\n"
        "Comment=Scrolling tiling window manager\n"
        "Exec=" +
        *exec +
        "\n"
        "Icon=tessarin\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n" +
        std::string(markerLine) + "\n";
    if (auto failed = replaceFile(*file, text)) {
        Log::info("Could not write the login item " + file->string() + ": " + *failed + " failed");
        return false;
    }
    return true;
}

bool LoginItem::unregisterItem() {
    if (status() != Status::enabled) return true;
    std::error_code error;
    fs::remove(*path(), error);
    if (error)
        Log::info("Could not remove the login item " + path()->string() + ": " + error.message());
    return !error;
}

}  // namespace tessarin
