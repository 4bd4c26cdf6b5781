#pragma once

#include <string_view>

namespace tessarin {

// The one logging call: a plain sentence to the system logger and the rotating log file.
struct Log {
    static void info(std::string_view message);
};

}  // namespace tessarin
