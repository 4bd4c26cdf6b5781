#include "app/ipc.hpp"

#include "base/write_all.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <vector>

#include "base/log.hpp"

namespace tessarin {

namespace {

// How long a reply may take to leave, and a client to send its request, before giving up.
constexpr int kIoTimeoutMs = 2000;
// How long `tessarin msg` waits for the running copy's reply.
constexpr int kClientTimeoutSeconds = 10;

bool fillAddress(const std::filesystem::path& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

bool writeLine(int fd, const std::string& line) {
    const std::string data = line + "\n";
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, kIoTimeoutMs) > 0) continue;
        }
        return false;
    }
    return true;
}

}  // namespace

std::optional<std::filesystem::path> runtimeFolder(std::string& error) {
    const char* base = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path folder =
        base && base[0] == '/'
            ? std::filesystem::path(base) / "tessarin"
            : std::filesystem::path("/tmp") / ("tessarin-" + std::to_string(getuid()));
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make " + folder.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    // Someone else's folder, a link, or one others can enter would let them reach the socket.
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0) {
        error = folder.string() + " is not a private folder of this user";
        return std::nullopt;
    }
    return folder;
}

std::string displayKey(const std::string& display) {
    std::string key = display;
    const auto colon = key.rfind(':');
    if (colon != std::string::npos) {
        const auto dot = key.find('.', colon);
        if (dot != std::string::npos) key.erase(dot);
    }
    for (char& c : key)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != ':' && c != '.' && c != '-')
            c = '_';
    return key.empty() ? "default" : key;
}

std::unique_ptr<InstanceLock> InstanceLock::acquire(const std::filesystem::path& path, bool& busy) {
    busy = false;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        busy = errno == EWOULDBLOCK;
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

InstanceLock::~InstanceLock() {
    close(fd_);
}

void InstanceLock::describeHolder(const std::string& location) {
    if (ftruncate(fd_, 0) == 0) (void)writeAll(fd_, location);
}

std::string InstanceLock::holder(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string location;
    std::getline(in, location);
    return location.size() <= 4096 ? location : std::string();
}

std::unique_ptr<IpcServer> IpcServer::listen(const std::filesystem::path& path, MainLoop& loop,
                                             Handler handler, std::string& error) {
    // Bound and listening under a temporary name first, then renamed into place: a client
    // that sees the socket can connect to it.
    const std::filesystem::path temporary = path.string() + ".new";
    sockaddr_un address;
    if (!fillAddress(temporary, address)) {
        error = "socket path too long: " + path.string();
        return nullptr;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = std::string("no socket: ") + std::strerror(errno);
        return nullptr;
    }
    // The instance lock is held, so files left here belong to a copy that died.
    unlink(temporary.c_str());
    const mode_t old = umask(0177);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    umask(old);
    if (!bound || chmod(temporary.c_str(), 0600) != 0 || ::listen(fd, 16) != 0 ||
        rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot listen at " + path.string() + ": " + std::strerror(errno);
        unlink(temporary.c_str());
        close(fd);
        return nullptr;
    }
    std::unique_ptr<IpcServer> server(new IpcServer(path, fd, loop, std::move(handler)));
    IpcServer* self = server.get();
    server->watch_ = loop.watchReadable(fd, [self] { self->accept(); });
    if (!server->watch_) {
        error = "the main loop cannot watch the socket";
        return nullptr;
    }
    return server;
}

IpcServer::IpcServer(std::filesystem::path path, int fd, MainLoop& loop, Handler handler)
    : path_(std::move(path)), fd_(fd), loop_(loop), handler_(std::move(handler)) {}

IpcServer::~IpcServer() {
    for (auto& [fd, pending] : clients_) {
        loop_.unwatch(pending.watch);
        close(fd);
    }
    for (auto& [fd, subscriber] : subscribers_) {
        loop_.unwatch(subscriber.readWatch);
        loop_.unwatch(subscriber.writeWatch);
        close(fd);
    }
    if (watch_) loop_.unwatch(watch_);
    close(fd_);
    unlink(path_.c_str());
}

std::string IpcServer::errorReply(const std::string& message) {
    return nlohmann::json{{"ok", false}, {"error", message}}.dump(
        -1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void IpcServer::accept() {
    for (;;) {
        const int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        ucred peer{};
        socklen_t length = sizeof peer;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != getuid()) {
            close(fd);  // the folder is private already; this is the second lock on the door
            continue;
        }
        clients_[fd].watch = loop_.watchReadable(fd, [this, fd] { readFrom(fd); });
    }
}

void IpcServer::readFrom(int fd) {
    auto found = clients_.find(fd);
    if (found == clients_.end()) return;
    std::string& buffer = found->second.buffer;
    char chunk[4096];
    for (;;) {
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return;  // more to come
        if (n > 0) buffer.append(chunk, static_cast<std::size_t>(n));
        const auto end = buffer.find('\n');
        if (end != std::string::npos && end <= kMaxRequest) {
            finish(fd, handler_(buffer.substr(0, end)));
            return;
        }
        if (buffer.size() > kMaxRequest) {
            finish(fd, errorReply("request larger than 64 KiB"));
            return;
        }
        if (n <= 0) {  // closed (or failed) before a whole line arrived
            if (buffer.empty()) {
                finish(fd, std::string());
            } else {
                finish(fd, handler_(buffer));
            }
            return;
        }
    }
}

void IpcServer::finish(int fd, const Reply& reply) {
    auto found = clients_.find(fd);
    if (found == clients_.end()) return;
    loop_.unwatch(found->second.watch);
    clients_.erase(found);
    if (reply.keepOpen) {
        subscribers_[fd].readWatch = loop_.watchReadable(fd, [this, fd] { drain(fd); });
        queue(fd, reply.line + "\n");
        return;
    }
    if (!reply.line.empty()) writeLine(fd, reply.line);
    close(fd);
}

void IpcServer::publish(const std::string& line) {
    std::vector<int> fds;
    for (const auto& [fd, subscriber] : subscribers_)
        fds.push_back(fd);
    for (int fd : fds)
        queue(fd, line + "\n");
}

void IpcServer::queue(int fd, const std::string& text) {
    auto found = subscribers_.find(fd);
    if (found == subscribers_.end()) return;
    if (found->second.backlog.size() + text.size() > kMaxBacklog) {
        drop(fd, "subscriber dropped: too slow");
        return;
    }
    found->second.backlog += text;
    flush(fd);
}

void IpcServer::flush(int fd) {
    auto found = subscribers_.find(fd);
    if (found == subscribers_.end()) return;
    Subscriber& subscriber = found->second;
    std::size_t sent = 0;
    while (sent < subscriber.backlog.size()) {
        const ssize_t n = send(fd, subscriber.backlog.data() + sent,
                               subscriber.backlog.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            break;
        } else {
            drop(fd, "subscriber left");
            return;
        }
    }
    subscriber.backlog.erase(0, sent);
    // Only a backlog needs the loop to say when the socket has room again.
    if (subscriber.backlog.empty() && subscriber.writeWatch) {
        loop_.unwatch(subscriber.writeWatch);
        subscriber.writeWatch = 0;
    } else if (!subscriber.backlog.empty() && !subscriber.writeWatch) {
        subscriber.writeWatch = loop_.watchWritable(fd, [this, fd] { flush(fd); });
    }
}

void IpcServer::drain(int fd) {
    char chunk[4096];
    // Bounded, so a chatty subscriber cannot hold the loop; the rest waits for the next turn.
    for (int round = 0; round < 16; ++round) {
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n > 0) continue;  // whatever a subscriber says is ignored
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return;
        // A peer that only finished sending (`echo … | socat`) still reads; one that is gone
        // hangs up both ways.
        pollfd state{fd, 0, 0};
        if (n == 0 && poll(&state, 1, 0) == 0) {
            auto found = subscribers_.find(fd);
            loop_.unwatch(found->second.readWatch);
            found->second.readWatch = 0;
            return;
        }
        drop(fd, "subscriber left");
        return;
    }
}

void IpcServer::drop(int fd, const char* why) {
    auto found = subscribers_.find(fd);
    if (found == subscribers_.end()) return;
    loop_.unwatch(found->second.readWatch);
    loop_.unwatch(found->second.writeWatch);
    subscribers_.erase(found);
    close(fd);
    Log::info(why);
}

namespace {

// A connection to the server at `path` with the client's time limits, or -1.
int connectTo(const std::filesystem::path& path, bool& notRunning, std::string& error) {
    notRunning = false;
    sockaddr_un address;
    if (!fillAddress(path, address)) {
        error = "socket path too long";
        return -1;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    // A copy that stopped answering must not hang its clients (scripts, hot-key daemons).
    const timeval limit{kClientTimeoutSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        notRunning = errno == ENOENT || errno == ECONNREFUSED;
        error = std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool ipcFollow(const std::filesystem::path& path, const std::string& line,
               const std::function<bool(const std::string&)>& onLine, bool& notRunning,
               std::string& error) {
    const int fd = connectTo(path, notRunning, error);
    if (fd < 0) return false;
    writeLine(fd, line);
    std::string buffer;
    bool first = true;
    char chunk[4096];
    for (;;) {
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (first) error = n < 0 ? std::strerror(errno) : "no reply";
            close(fd);
            return !first;
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
        std::size_t start = 0;
        for (auto end = buffer.find('\n'); end != std::string::npos;
             end = buffer.find('\n', start)) {
            if (first) {
                // Answered: from here on the stream is as quiet as the desktop.
                const timeval forever{0, 0};
                setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &forever, sizeof forever);
                first = false;
            }
            const bool more = onLine(buffer.substr(start, end - start));
            start = end + 1;
            if (!more) {
                close(fd);
                return true;
            }
        }
        buffer.erase(0, start);
    }
}

std::optional<std::string> ipcRequest(const std::filesystem::path& path, const std::string& line,
                                      bool& notRunning, std::string& error) {
    const int fd = connectTo(path, notRunning, error);
    if (fd < 0) return std::nullopt;
    std::string reply;
    // A request the server refuses half-way still gets its error reply: read it either way.
    writeLine(fd, line);
    char chunk[4096];
    for (;;) {
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reply.append(chunk, static_cast<std::size_t>(n));
    }
    close(fd);
    while (!reply.empty() && reply.back() == '\n')
        reply.pop_back();
    if (reply.empty()) {
        error = "no reply";
        return std::nullopt;
    }
    return reply;
}

}  // namespace tessarin
