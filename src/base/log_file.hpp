#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace tessarin {

// The log file "Tessarin.log" in one folder, with its single predecessor "Tessarin.log.old".
// Every failure is swallowed: the line is simply missing from the file.
class LogFile {
  public:
    static constexpr const char* kName = "Tessarin.log";
    static constexpr const char* kOldName = "Tessarin.log.old";
    // A file larger than this is moved aside before the next line is written.
    static constexpr std::uintmax_t kRotationSize = 2'000'000;

    // Without a folder, nothing is ever written.
    explicit LogFile(std::optional<std::filesystem::path> folder);

    // The folder, made (with its parents) the first time it is asked for. If it disappears
    // later it is not made again, so a removed log folder stays removed.
    const std::optional<std::filesystem::path>& folder();

    // Rotates if the file is too large, then appends `line`. One caller at a time.
    void append(std::string_view line);

  private:
    std::optional<std::filesystem::path> folder_;
    std::string path_;
    std::string oldPath_;
    std::once_flag created_;
};

}  // namespace tessarin
