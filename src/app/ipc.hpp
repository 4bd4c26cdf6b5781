#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "base/main_loop.hpp"

namespace tessarin {

// The per-user folder for the socket and lock: "$XDG_RUNTIME_DIR/tessarin", else
// "/tmp/tessarin-<uid>". Made 0700 when missing; none (with the reason) when it exists but is
// not a folder of this user that only this user can enter.
std::optional<std::filesystem::path> runtimeFolder(std::string& error);

// The name of a display as a file name: ":1" stays ":1", "host:0.0" becomes "host:0".
std::string displayKey(const std::string& display);

// Holds an exclusive lock on a file for as long as it lives: one running copy per display.
class InstanceLock {
  public:
    // None when another process holds the lock (`busy` true) or the file cannot be opened.
    static std::unique_ptr<InstanceLock> acquire(const std::filesystem::path& path, bool& busy);
    ~InstanceLock();

    // Leaves where this copy lives in the lock file, for a second copy to name it.
    void describeHolder(const std::string& location);
    // What the copy holding the lock at `path` left there; empty when nothing.
    static std::string holder(const std::filesystem::path& path);

  private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_;
};

// The Unix socket `tessarin msg` talks to. One request per connection: a JSON object on one
// line; the reply is one JSON object on one line. Only this user's processes are served (peer
// credentials), requests are bounded, and anything malformed gets an error reply. A reply may
// keep its connection open as a subscriber: it then gets every published line, written
// without ever blocking the loop.
class IpcServer {
  public:
    struct Reply {
        Reply(std::string text, bool keep = false) : line(std::move(text)), keepOpen(keep) {}
        Reply(const char* text) : line(text) {}

        std::string line;
        // The connection stays open and receives `publish`ed lines after the reply.
        bool keepOpen = false;

        bool operator==(const Reply&) const = default;
    };
    using Handler = std::function<Reply(const std::string& requestLine)>;

    static constexpr std::size_t kMaxRequest = 64 * 1024;
    // Output a subscriber has not taken yet, beyond what the socket holds; past it the
    // subscriber is dropped rather than let it hold the loop or its memory.
    static constexpr std::size_t kMaxBacklog = 256 * 1024;

    // Listens at `path` (socket mode 0600), replacing a stale socket file. None, with the
    // reason, on failure.
    static std::unique_ptr<IpcServer> listen(const std::filesystem::path& path, MainLoop& loop,
                                             Handler handler, std::string& error);
    ~IpcServer();
    IpcServer(const IpcServer&) = delete;
    IpcServer& operator=(const IpcServer&) = delete;

    // The reply to a request that is not valid, for handlers and for requests that are too big.
    static std::string errorReply(const std::string& message);

    // Sends `line` to every subscriber; one that cannot keep up is dropped.
    void publish(const std::string& line);
    std::size_t subscriberCount() const { return subscribers_.size(); }

  private:
    IpcServer(std::filesystem::path path, int fd, MainLoop& loop, Handler handler);
    void accept();
    void readFrom(int fd);
    void finish(int fd, const Reply& reply);
    void queue(int fd, const std::string& text);
    void flush(int fd);
    // A subscriber sends nothing; reading tells when it went.
    void drain(int fd);
    void drop(int fd, const char* why);

    std::filesystem::path path_;
    int fd_;
    MainLoop& loop_;
    Handler handler_;
    MainLoop::WatchID watch_ = 0;
    struct Pending {
        MainLoop::WatchID watch = 0;
        std::string buffer;
    };
    std::map<int, Pending> clients_;
    struct Subscriber {
        MainLoop::WatchID readWatch = 0;
        MainLoop::WatchID writeWatch = 0;
        std::string backlog;
    };
    std::map<int, Subscriber> subscribers_;
};

// Sends one request line and returns the reply line. None when nothing listens at `path`
// (`notRunning` true) or the exchange failed (`error` says why).
std::optional<std::string> ipcRequest(const std::filesystem::path& path, const std::string& line,
                                      bool& notRunning, std::string& error);

// Sends one request line and hands every line that comes back to `onLine` until the server
// closes (true) or `onLine` returns false (true as well). The first reply is awaited with the
// usual limit, the lines after it for as long as they take. False as for `ipcRequest`.
bool ipcFollow(const std::filesystem::path& path, const std::string& line,
               const std::function<bool(const std::string&)>& onLine, bool& notRunning,
               std::string& error);

}  // namespace tessarin
