#include "shell/desktop_files.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/replace_file.hpp"
#include "shell/app_icon.hpp"
#include "shell/desktop_entry.hpp"
#include "shell/login_item.hpp"

extern char** environ;

namespace tessarin {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view defaultsSection = "[Default Applications]";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool isHeader(std::string_view line) {
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// The key of a "key=value" line, trimmed; empty for anything else.
std::string_view keyOf(std::string_view line) {
    const auto equals = line.find('=');
    return equals == std::string_view::npos ? std::string_view() : trimmed(line.substr(0, equals));
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

bool isBlank(std::string_view line) {
    return trimmed(line).empty();
}

std::string handlerLine() {
    return std::string(DesktopFiles::scheme) + "=" + std::string(DesktopFiles::entryName);
}

// Our line: the scheme's key in the defaults section with our entry alone as its value.
bool isOurHandler(std::string_view line) {
    if (keyOf(line) != DesktopFiles::scheme) return false;
    std::string_view value = trimmed(line.substr(line.find('=') + 1));
    if (value.ends_with(';')) value.remove_suffix(1);
    return value == DesktopFiles::entryName;
}

std::optional<std::string> readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return text;
}

std::optional<std::string> write(const fs::path& file, std::string_view text) {
    if (auto failed = replaceFile(file, text))
        return "could not write " + file.string() + ": " + *failed + " failed (" +
               std::strerror(errno) + ")";
    return std::nullopt;
}

// Found through PATH as the shell would; none when it is not installed.
std::optional<fs::path> findTool(const Paths::Environment& env, std::string_view name) {
    const auto path = env ? env("PATH") : std::nullopt;
    if (!path) return std::nullopt;
    for (std::string_view rest = *path; !rest.empty();) {
        const auto colon = rest.find(':');
        const fs::path folder(rest.substr(0, colon));
        rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
        const fs::path candidate = folder / name;
        std::error_code error;
        if (folder.is_absolute() && fs::is_regular_file(candidate, error) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

// The menus read a cache of the entries' types; it is a convenience, so a missing tool or a
// failed run is reported and nothing more.
void refreshDatabase(const Paths::Environment& env, const fs::path& folder,
                     DesktopFiles::Report& report) {
    const auto tool = findTool(env, "update-desktop-database");
    if (!tool) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::string program = tool->string(), argument = folder.string();
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) == 0) {
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        report.done.push_back("updated the desktop database in " + folder.string());
    } else {
        report.done.push_back("update-desktop-database failed on " + folder.string() +
                              "; the menus may notice the change later");
    }
}

std::string entryText(const std::string& exec) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Tessarin\n"
           "GenericName=Tiling Window Manager\n"
           "Comment=Scrolling tiling window manager for X11\n"
           "Exec=" +
           exec +
           " %u\n"
           "Icon=tessarin\n"
           "Terminal=false\n"
           "NoDisplay=false\n"
           "Categories=Utility;\n"
           "MimeType=" +
           std::string(DesktopFiles::scheme) + ";\n" + std::string(DesktopFiles::markerLine) + "\n";
}

// Removes `file` when `ours` says it is ours; says what happened either way.
void removeIfOurs(const fs::path& file, bool ours, DesktopFiles::Report& report) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(file, error))) return;
    if (!ours) {
        report.done.push_back("left " + file.string() + ": not written by tessarin --install");
        return;
    }
    fs::remove(file, error);
    if (!error) {
        report.done.push_back("removed " + file.string());
    } else if (!report.error) {
        report.error = "could not remove " + file.string() + ": " + error.message();
    }
}

int printed(const DesktopFiles::Report& report, std::ostream& out) {
    for (const auto& line : report.done)
        out << line << "\n";
    if (report.error) out << "tessarin: " << *report.error << "\n";
    return report.error ? 1 : 0;
}

}  // namespace

std::optional<fs::path> DesktopFiles::entryPath(const Paths::Environment& env) {
    auto data = Paths::base(env, "XDG_DATA_HOME", ".local/share");
    if (!data) return std::nullopt;
    return *data / "applications" / entryName;
}

std::optional<fs::path> DesktopFiles::iconPath(const Paths::Environment& env) {
    auto data = Paths::base(env, "XDG_DATA_HOME", ".local/share");
    if (!data) return std::nullopt;
    return *data / "icons/hicolor/scalable/apps/tessarin.svg";
}

std::optional<fs::path> DesktopFiles::mimeAppsPath(const Paths::Environment& env) {
    auto config = Paths::base(env, "XDG_CONFIG_HOME", ".config");
    if (!config) return std::nullopt;
    return *config / "mimeapps.list";
}

std::string DesktopFiles::withHandler(std::string_view mimeApps) {
    std::vector<std::string> lines = splitLines(mimeApps);
    std::optional<std::size_t> header;
    bool inDefaults = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = trimmed(lines[i]);
        if (isHeader(line)) {
            inDefaults = line == defaultsSection;
            if (inDefaults && !header) header = i;
        } else if (inDefaults && keyOf(line) == scheme) {
            lines[i] = handlerLine();
            return joinLines(lines);
        }
    }
    if (header) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*header) + 1, handlerLine());
    } else {
        if (!lines.empty() && !isBlank(lines.back())) lines.emplace_back();
        lines.emplace_back(defaultsSection);
        lines.push_back(handlerLine());
    }
    return joinLines(lines);
}

std::string DesktopFiles::withoutHandler(std::string_view mimeApps) {
    std::vector<std::string> lines = splitLines(mimeApps);
    std::optional<std::size_t> header;  // of the defaults section being read
    bool removed = false;
    for (std::size_t i = 0; i <= lines.size(); ++i) {
        const bool atEnd = i == lines.size();
        const std::string_view line = atEnd ? std::string_view() : trimmed(lines[i]);
        if (atEnd || isHeader(line)) {
            // A defaults section left empty by the removal goes too, with the blank lines
            // before it when it ends the file: --install added it that way.
            if (header && removed) {
                const bool empty =
                    std::all_of(lines.begin() + static_cast<std::ptrdiff_t>(*header) + 1,
                                lines.begin() + static_cast<std::ptrdiff_t>(i), isBlank);
                if (empty) {
                    std::size_t from = *header;
                    while (atEnd && from > 0 && isBlank(lines[from - 1]))
                        --from;
                    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(from),
                                lines.begin() + static_cast<std::ptrdiff_t>(i));
                    i = from;
                }
            }
            if (atEnd || i >= lines.size()) break;
            header = trimmed(lines[i]) == defaultsSection ? std::optional(i) : std::nullopt;
            removed = false;
        } else if (header && isOurHandler(line)) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
            --i;
            removed = true;
        }
    }
    return joinLines(lines);
}

DesktopFiles::Report DesktopFiles::install(const Paths::Environment& env,
                                           const fs::path& executable) {
    Report report;
    const auto entry = entryPath(env);
    const auto icon = iconPath(env);
    const auto mimeApps = mimeAppsPath(env);
    if (!entry || !icon || !mimeApps) {
        report.error = "no home folder: neither HOME nor the XDG folders are set";
        return report;
    }
    const auto exec = executable.is_absolute() ? execArgument(executable.string()) : std::nullopt;
    if (!exec) {
        report.error = "cannot name the program in a desktop entry: " + executable.string();
        return report;
    }
    if ((report.error = write(*entry, entryText(*exec)))) return report;
    report.done.push_back("wrote " + entry->string());
    if ((report.error = write(*icon, appIconSvg))) return report;
    report.done.push_back("wrote " + icon->string());

    std::error_code error;
    std::string before;
    if (fs::exists(*mimeApps, error)) {
        auto text = readText(*mimeApps);
        if (!text) {
            report.error = "could not read " + mimeApps->string();
            return report;
        }
        before = *text;
    }
    const std::string after = withHandler(before);
    if (after != before && (report.error = write(*mimeApps, after))) return report;
    report.done.push_back("made " + std::string(entryName) + " the handler of tessarin:// in " +
                          mimeApps->string());
    refreshDatabase(env, entry->parent_path(), report);
    return report;
}

DesktopFiles::Report DesktopFiles::uninstall(const Paths::Environment& env) {
    Report report;
    const auto entry = entryPath(env);
    const auto icon = iconPath(env);
    const auto mimeApps = mimeAppsPath(env);
    if (!entry || !icon || !mimeApps) {
        report.error = "no home folder: neither HOME nor the XDG folders are set";
        return report;
    }
    const bool entryOurs = fileHasLine(*entry, markerLine);
    removeIfOurs(*entry, entryOurs, report);
    removeIfOurs(*icon, readText(*icon) == std::string(appIconSvg), report);

    std::error_code error;
    if (fs::exists(*mimeApps, error)) {
        const auto before = readText(*mimeApps);
        const std::string after = before ? withoutHandler(*before) : std::string();
        if (!before) {
            report.error = "could not read " + mimeApps->string();
        } else if (after != *before) {
            const bool empty = std::all_of(after.begin(), after.end(),
                                           [](char c) { return c == '\n' || c == ' '; });
            if (empty) {
                if (!fs::remove(*mimeApps, error) || error)
                    report.error = "could not remove " + mimeApps->string();
            } else if (auto failed = write(*mimeApps, after)) {
                error = std::make_error_code(std::errc::io_error);
                if (!report.error) report.error = failed;
            }
            if (!error)
                report.done.push_back("removed the handler of tessarin:// from " +
                                      mimeApps->string());
        }
    }
    LoginItem login(env, {});
    if (auto autostart = login.path())
        removeIfOurs(*autostart, login.status() == LoginItem::Status::enabled, report);
    if (entryOurs && !fs::exists(*entry, error)) refreshDatabase(env, entry->parent_path(), report);
    return report;
}

int installDesktopFiles(const Paths::Environment& env, const fs::path& executable,
                        std::ostream& out) {
    return printed(DesktopFiles::install(env, executable), out);
}

int uninstallDesktopFiles(const Paths::Environment& env, std::ostream& out) {
    return printed(DesktopFiles::uninstall(env), out);
}

}  // namespace tessarin
