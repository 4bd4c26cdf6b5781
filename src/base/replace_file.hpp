#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tessarin {

// Replaces a file's whole content so that a reader, or a crash, sees the old content or the
// new, never part of either: a synced temporary file beside it is renamed over it. A symbolic
// link is written through, not replaced, and the file keeps its permissions (0644 when new).
// `beforeReplace` runs once the temporary file is complete; returning false abandons the write
// there, as a crash would. Returns the step that failed, with errno set, or none.
std::optional<std::string> replaceFile(
    const std::filesystem::path& path, std::string_view text,
    const std::function<bool(const std::filesystem::path& temporary)>& beforeReplace = {});

}  // namespace tessarin
