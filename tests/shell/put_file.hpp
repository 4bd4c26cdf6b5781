#pragma once

#include <filesystem>
#include <string>

#include "support/temp_folder.hpp"

namespace tessarin::test {

// Writes a file, making its folders first.
inline void putFile(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    writeText(file, text);
}

}  // namespace tessarin::test
