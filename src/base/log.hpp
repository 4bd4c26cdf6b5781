#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "base/serial_queue.hpp"

namespace tessarin {

// The one logging call: a plain sentence to the system logger and the rotating log file.
// Callable from any thread; never fails and never waits for the file.
struct Log {
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    static constexpr const char* kQueueLabel = "com.tessarin.log";
    static constexpr const char* kIdentifier = "com.tessarin";
    static constexpr const char* kCategory = "wm";

    // Where and how lines go. Tests point the log at a folder of their own and a queue they
    // step, with a fixed clock.
    struct Options {
        // Without a folder only the system logger receives lines.
        std::optional<std::filesystem::path> folder;
        // The serial queue the file is written on; none means a thread of the log's own,
        // labelled kQueueLabel.
        std::shared_ptr<SerialQueue> queue;
        bool systemLog = true;
        // The time of each line; none means the system clock.
        Clock clock;
    };

    // Stamps `message` with the time of the call and hands it over; the file and the system
    // logger are written on the log's queue. A line feed ends each line in the file.
    static void info(std::string_view message);

    // The log folder, made on first use; the debug dump writes beside the log.
    static std::optional<std::filesystem::path> folder();

    // Replaces where lines go from now on; lines already handed over still go where they were
    // bound. Without a call, the first line sets up `defaults()`.
    static void configure(Options options);
    // The XDG log folder, a thread of its own, the system logger and the system clock.
    static Options defaults();

    // Waits until every line handed over so far is written, up to `timeoutSeconds`. True when
    // they were. Meant for shut-down and for tests on real threads; a stepped queue never
    // finishes on its own.
    static bool flush(double timeoutSeconds = 5.0);

    // Tests watch the lines through an observer, called on the caller's thread with the bare
    // message; none by default.
    using Observer = std::function<void(std::string_view message)>;
    static void setObserver(Observer observer);
};

}  // namespace tessarin
