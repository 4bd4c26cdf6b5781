#include "base/replace_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "base/write_all.hpp"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

// Makes the rename itself durable.
void syncFolder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::optional<std::string> replaceFile(
    const fs::path& path, std::string_view text,
    const std::function<bool(const fs::path& temporary)>& beforeReplace) {
    std::error_code error;
    fs::path target = path;
    if (fs::is_symlink(path, error)) {
        auto resolved = fs::weakly_canonical(path, error);
        if (!error) target = resolved;
    }
    fs::path folder = target.parent_path();
    fs::create_directories(folder, error);

    std::string pattern = (folder / (target.filename().string() + ".tmp-XXXXXX")).string();
    std::vector<char> temporaryName(pattern.begin(), pattern.end());
    temporaryName.push_back('\0');
    int fd = ::mkstemp(temporaryName.data());
    if (fd < 0) return "creating a temporary file";
    fs::path temporary(temporaryName.data());

    struct stat existing {};
    mode_t mode = ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    bool complete = writeAll(fd, text) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int savedErrno = errno;
    if (::close(fd) != 0) complete = false;
    if (!complete) {
        ::unlink(temporary.c_str());
        errno = savedErrno;
        return "writing the temporary file";
    }
    if (beforeReplace && !beforeReplace(temporary)) return "replacing the file";
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        savedErrno = errno;
        ::unlink(temporary.c_str());
        errno = savedErrno;
        return "replacing the file";
    }
    syncFolder(folder);
    return std::nullopt;
}

}  // namespace tessarin
