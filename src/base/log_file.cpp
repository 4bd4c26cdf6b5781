#include "base/log_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

#include "base/write_all.hpp"

namespace tessarin {

LogFile::LogFile(std::optional<std::filesystem::path> folder) : folder_(std::move(folder)) {
    if (!folder_) return;
    path_ = (*folder_ / kName).string();
    oldPath_ = (*folder_ / kOldName).string();
}

const std::optional<std::filesystem::path>& LogFile::folder() {
    std::call_once(created_, [this] {
        if (!folder_) return;
        std::error_code ignored;
        std::filesystem::create_directories(*folder_, ignored);
    });
    return folder_;
}

void LogFile::append(std::string_view line) {
    if (!folder()) return;

    // The size is checked before each line, so the file ends a little over the limit.
    struct stat attributes {};
    if (::stat(path_.c_str(), &attributes) == 0 &&
        static_cast<std::uintmax_t>(attributes.st_size) > kRotationSize) {
        ::unlink(oldPath_.c_str());
        ::rename(path_.c_str(), oldPath_.c_str());
    }

    // Opening creates the file after a rotation, but never its folder.
    int file = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0) return;
    writeAll(file, line);
    ::close(file);
}

}  // namespace tessarin
