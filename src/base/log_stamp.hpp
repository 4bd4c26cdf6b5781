#pragma once

#include <chrono>
#include <cstddef>

namespace tessarin {

// The time of a log line, "HH:mm:ss.SSS" in local time. Cheap enough to run on every caller:
// the local hour, minute and second are worked out once per second per thread.
struct LogStamp {
    static constexpr std::size_t kLength = 12;

    // Writes exactly kLength characters to `out`, without a terminator.
    static void write(std::chrono::system_clock::time_point time, char* out);
};

}  // namespace tessarin
