#include "base/log.hpp"

#include <syslog.h>
#include <future>
#include <mutex>
#include <string>
#include <utility>

#include "base/log_file.hpp"
#include "base/log_stamp.hpp"
#include "base/paths.hpp"
#include "base/thread_queues.hpp"

namespace tessarin {

namespace {

// One configuration of the log. Lines hold on to the sink they were handed to, so a new
// configuration never redirects lines already on their way.
class Sink : public std::enable_shared_from_this<Sink> {
  public:
    explicit Sink(Log::Options options)
        : file_(std::move(options.folder)),
          queue_(std::move(options.queue)),
          systemLog_(options.systemLog),
          clock_(std::move(options.clock)) {
        if (!queue_) queue_ = std::make_shared<ThreadSerialQueue>(Log::kQueueLabel);
    }

    void submit(std::string_view message) {
        // stamp, space, text, line feed
        std::string line(LogStamp::kLength + 1 + message.size() + 1, ' ');
        LogStamp::write(clock_ ? clock_() : std::chrono::system_clock::now(), line.data());
        message.copy(line.data() + LogStamp::kLength + 1, message.size());
        line.back() = '\n';
        queue_->async([sink = shared_from_this(), line = std::move(line)] { sink->write(line); });
    }

    std::optional<std::filesystem::path> folder() { return file_.folder(); }

    bool flush(double timeoutSeconds) {
        auto done = std::make_shared<std::promise<void>>();
        auto finished = done->get_future();
        queue_->async([done] { done->set_value(); });
        return finished.wait_for(std::chrono::duration<double>(timeoutSeconds)) ==
               std::future_status::ready;
    }

  private:
    // On the queue. The system logger is written here rather than on the caller: a syslog
    // call is a socket round trip, several microseconds, which callers on the main thread and
    // event-tap threads should not pay.
    void write(std::string_view line) {
        if (systemLog_) {
            static std::once_flag opened;
            std::call_once(opened, [] { openlog(Log::kIdentifier, LOG_PID, LOG_USER); });
            std::string_view text = line.substr(LogStamp::kLength + 1);
            text.remove_suffix(1);
            syslog(LOG_INFO, "%s: %.*s", Log::kCategory, static_cast<int>(text.size()),
                   text.data());
        }
        file_.append(line);
    }

    LogFile file_;
    std::shared_ptr<SerialQueue> queue_;
    const bool systemLog_;
    const Log::Clock clock_;
};

std::mutex sinkMutex;

std::mutex observerMutex;
Log::Observer& observer() {
    static auto* current = new Log::Observer();
    return *current;
}

// Deliberately never destroyed: lines may still be logged while static objects go away.
std::shared_ptr<Sink>& currentSink() {
    static auto* current = new std::shared_ptr<Sink>();
    return *current;
}

std::shared_ptr<Sink> sink() {
    std::lock_guard lock(sinkMutex);
    auto& current = currentSink();
    if (!current) current = std::make_shared<Sink>(Log::defaults());
    return current;
}

}  // namespace

// Set while this thread runs the observer. A line the observer itself logs then skips the
// observer: taking the lock again would deadlock, and calling it again could recurse forever.
thread_local bool observing = false;

void Log::info(std::string_view message) {
    if (!observing) {
        std::lock_guard lock(observerMutex);
        if (auto& watch = observer()) {
            struct Observing {
                Observing() { observing = true; }
                ~Observing() { observing = false; }
            } scope;
            watch(message);
        }
    }
    sink()->submit(message);
}

void Log::setObserver(Observer newObserver) {
    std::lock_guard lock(observerMutex);
    observer() = std::move(newObserver);
}

std::optional<std::filesystem::path> Log::folder() {
    return sink()->folder();
}

void Log::configure(Options options) {
    auto replacement = std::make_shared<Sink>(std::move(options));
    std::shared_ptr<Sink> previous;
    std::lock_guard lock(sinkMutex);
    // The previous sink may join its thread as it goes; let it go after the lock is released.
    previous = std::exchange(currentSink(), std::move(replacement));
}

Log::Options Log::defaults() {
    Options options;
    options.folder = Paths::logFolder(Paths::systemEnvironment());
    options.systemLog = true;
    return options;
}

bool Log::flush(double timeoutSeconds) {
    return sink()->flush(timeoutSeconds);
}

}  // namespace tessarin
