#pragma once

#include <string_view>

namespace tessarin {

// Writes every byte to the open file descriptor, retrying short and interrupted writes. False
// on the first real error, with errno set.
bool writeAll(int fd, std::string_view bytes);

}  // namespace tessarin
