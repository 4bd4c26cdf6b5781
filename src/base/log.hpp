#pragma once

#include <functional>
#include <string_view>

namespace tessarin {

// The one logging call: a plain sentence to the system logger and the rotating log file.
struct Log {
    static void info(std::string_view message);

    // Tests watch the lines through an observer, called on the caller's thread; none by default.
    using Observer = std::function<void(std::string_view line)>;
    static void setObserver(Observer observer);
};

}  // namespace tessarin
