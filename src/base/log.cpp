#include "base/log.hpp"

#include <cstdio>

namespace tessarin {

// Interim sink until the rotating file log lands.
void Log::info(std::string_view message) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
}

}  // namespace tessarin
