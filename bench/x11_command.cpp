// Command latency on a real X server, Tessarin beside i3: on Xvfb 2560×1440 with 10 xterms and
// animation off, the time from sending a command on the program's socket until the last
// window change it causes (ConfigureNotify, focus) reaches a separate X connection. Runs
// Tessarin without a window manager, Tessarin with openbox, and i3 (borders off) with i3's own
// socket, in one run so they share the machine's state. Figures only: nothing passes or fails.
//
//   bench_x11_command [--runs N]          (default 200 per command)
//   bench_x11_command --idle [SECONDS] [--xterms N]
//       Tessarin with N xterms (default 50) left alone: CPU time used and wake-ups counted
//       with strace while nothing happens (default 60 s).
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/ipc.hpp"
#include "x11/x_server.hpp"

namespace {

using Clock = std::chrono::steady_clock;
using tessarin::test::makeProgramHome;
using tessarin::test::XServer;
namespace fs = std::filesystem;

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Everything a command visibly changes arrives here as an event; the reader notes when the
// last one came.
class Watcher {
  public:
    explicit Watcher(const std::string& display) : c_(xcb_connect(display.c_str(), nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const std::uint32_t events =
            XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &events);
        xcb_flush(c_);
        thread_ = std::thread([this] { read(); });
    }
    ~Watcher() {
        stop_ = true;
        thread_.join();
        xcb_disconnect(c_);
    }
    // Also hears the clients' own configure and focus changes.
    void watchClients() {
        auto* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, root_), nullptr);
        std::vector<xcb_window_t> windows;
        if (tree) {
            auto* children = xcb_query_tree_children(tree);
            windows.assign(children, children + xcb_query_tree_children_length(tree));
        }
        std::free(tree);
        const xcb_atom_t list = tessarin::test::internAtom(c_, "_NET_CLIENT_LIST");
        auto* clients = xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, root_, list, XCB_ATOM_WINDOW, 0, 1024), nullptr);
        if (clients && clients->format == 32) {
            auto* ids = static_cast<xcb_window_t*>(xcb_get_property_value(clients));
            windows.insert(windows.end(), ids, ids + xcb_get_property_value_length(clients) / 4);
        }
        std::free(clients);
        const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE;
        for (xcb_window_t window : windows)
            xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, &events);
        xcb_flush(c_);
    }
    std::uint64_t count() const { return count_; }
    Clock::time_point last() const {
        std::lock_guard lock(mutex_);
        return last_;
    }
    // Waits until nothing has arrived for `quiet`; false when nothing arrived after `since`.
    bool settle(std::uint64_t since, std::chrono::milliseconds quiet) {
        const auto start = Clock::now();
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            const auto now = Clock::now();
            if (count_ == since) {
                if (now - start > 2 * quiet) return false;
                continue;
            }
            if (now - last() >= quiet) return true;
        }
    }

  private:
    void read() {
        pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
        while (!stop_) {
            poll(&fd, 1, 50);
            while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
                const auto type = event->response_type & 0x7F;
                if (type == XCB_CONFIGURE_NOTIFY || type == XCB_FOCUS_IN ||
                    type == XCB_PROPERTY_NOTIFY) {
                    std::lock_guard lock(mutex_);
                    last_ = Clock::now();
                    ++count_;
                }
                std::free(event);
            }
        }
    }

    xcb_connection_t* c_;
    xcb_window_t root_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> count_{0};
    mutable std::mutex mutex_;
    Clock::time_point last_;
};

// i3's IPC: "i3-ipc", payload length, message type (0: run command), payload.
bool i3Command(const std::string& socket, const std::string& command) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return false;
    }
    std::string message = "i3-ipc";
    const std::uint32_t header[2] = {static_cast<std::uint32_t>(command.size()), 0};
    message.append(reinterpret_cast<const char*>(header), sizeof header);
    message += command;
    bool ok = write(fd, message.data(), message.size()) == static_cast<ssize_t>(message.size());
    char reply[4096];
    ok = ok && recv(fd, reply, sizeof reply, 0) > 0;
    close(fd);
    return ok;
}

struct Figures {
    double median = 0;
    double p99 = 0;
    std::size_t samples = 0;
};

Figures summarize(std::vector<double> values) {
    Figures figures;
    figures.samples = values.size();
    if (values.empty()) return figures;
    std::sort(values.begin(), values.end());
    figures.median = values[values.size() / 2];
    figures.p99 = values[std::min(values.size() - 1, values.size() * 99 / 100)];
    return figures;
}

struct Setup {
    std::string name;
    XServer::Manager manager;
    bool i3;
};

// One setup: its own server, its own tiler, ten xterms, then every command pair in turn.
void measure(const Setup& setup, int runs, std::vector<std::string>& rows) {
    XServer server(2560, 1440, setup.manager);
    if (server.display().empty()) {
        std::fprintf(stderr, "%s: %s\n", setup.name.c_str(), server.failure().c_str());
        return;
    }
    const auto [home, env] = makeProgramHome("tessarin-bench-", R"({"animate": false})");
    const fs::path i3Socket = home / "i3.sock";
    fs::path socket = home / "run/tessarin" / (tessarin::displayKey(server.display()) + ".sock");
    pid_t tiler = -1;
    if (setup.i3) {
        std::ofstream(home / "i3.conf") << "# i3 config file (v4)\nfont fixed\n"
                                           "default_border none\ndefault_floating_border none\n"
                                           "hide_edge_borders both\nfocus_follows_mouse no\n"
                                           "ipc-socket "
                                        << i3Socket.string() << "\n";
        tiler = server.spawn({"i3", "-c", (home / "i3.conf").string()}, env);
        socket = i3Socket;
    } else {
        tiler = server.spawn({TESSARIN_BINARY}, env);
    }
    for (int i = 0; i < 2000 && !fs::exists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    Watcher watcher(server.display());
    std::vector<pid_t> xterms;
    for (int i = 0; i < 10; ++i) {
        xterms.push_back(server.spawn({"xterm", "-T", "bench" + std::to_string(i)}));
        watcher.settle(watcher.count(), std::chrono::milliseconds(300));
    }
    watcher.watchClients();
    watcher.settle(watcher.count(), std::chrono::milliseconds(500));

    auto send = [&](const std::string& tessarinName, const std::string& i3Name) {
        if (setup.i3) return i3Command(socket.string(), i3Name);
        bool notRunning = false;
        std::string error;
        return tessarin::ipcRequest(socket,
                                    R"({"command":"action","name":")" + tessarinName + "\"}",
                                    notRunning, error)
            .has_value();
    };
    struct Pair {
        const char* label;
        const char* tessarin[2];
        const char* i3[2];
    };
    const Pair pairs[] = {
        {"focus left/right", {"focusLeft", "focusRight"}, {"focus left", "focus right"}},
        {"move left/right", {"moveLeft", "moveRight"}, {"move left", "move right"}},
        {"wider/narrower",
         {"wider", "narrower"},
         {"resize grow width 10 px or 10 ppt", "resize shrink width 10 px or 10 ppt"}},
    };
    // Start in the middle of the strip so that either direction has somewhere to go.
    for (int i = 0; i < 5; ++i)
        send("focusLeft", "focus left");
    watcher.settle(watcher.count(), std::chrono::milliseconds(300));
    for (const Pair& pair : pairs) {
        std::vector<double> samples;
        int unchanged = 0;
        for (int run = 0; run < runs; ++run) {
            const std::uint64_t before = watcher.count();
            const auto start = Clock::now();
            send(pair.tessarin[run % 2], pair.i3[run % 2]);
            if (watcher.settle(before, std::chrono::milliseconds(40))) {
                samples.push_back(micros(watcher.last() - start));
            } else {
                ++unchanged;
            }
            watcher.settle(watcher.count(), std::chrono::milliseconds(60));
        }
        const Figures f = summarize(samples);
        char row[256];
        std::snprintf(row, sizeof row, "%-28s %-18s %10.0f %10.0f %6zu %6d", setup.name.c_str(),
                      pair.label, f.median, f.p99, f.samples, unchanged);
        rows.push_back(row);
        std::puts(row);
        std::fflush(stdout);
    }
    for (pid_t pid : xterms)
        XServer::end(pid);
    XServer::end(tiler);
    fs::remove_all(home);
}

// CPU time of a process in clock ticks (user + system), from /proc.
long cpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime + stime;
}

void idle(int seconds, int count) {
    XServer server(2560, 1440, XServer::Manager::none);
    const auto [home, env] = makeProgramHome("tessarin-idle-", "");
    const pid_t tiler = server.spawn({TESSARIN_BINARY}, env);
    Watcher watcher(server.display());
    std::vector<pid_t> xterms;
    for (int i = 0; i < count; ++i)
        xterms.push_back(server.spawn({"xterm", "-T", "idle" + std::to_string(i)}));
    // Everything opened and tiled, the health of the layout settled.
    watcher.settle(watcher.count(), std::chrono::seconds(3));
    const long before = cpuTicks(tiler);
    const std::string trace = (home / "strace.txt").string();
    const pid_t strace = fork();
    if (strace == 0) {
        execlp("strace", "strace", "-c", "-f", "-o", trace.c_str(), "-p",
               std::to_string(tiler).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const std::uint64_t events = watcher.count();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long after = cpuTicks(tiler);
    kill(strace, SIGINT);
    waitpid(strace, nullptr, 0);
    const double cpu = static_cast<double>(after - before) / sysconf(_SC_CLK_TCK);
    std::printf("idle %d s, %d xterms: cpu %.3f s (%.4f %%), %llu X events meanwhile\n", seconds,
                count, cpu, 100.0 * cpu / seconds,
                static_cast<unsigned long long>(watcher.count() - events));
    std::ifstream in(trace);
    const std::string calls((std::istreambuf_iterator<char>(in)), {});
    // strace -c prints no table at all when the process made no system call.
    std::printf("%s\n", calls.empty() ? "strace -c: no system call in that time" : calls.c_str());
    for (pid_t pid : xterms)
        XServer::end(pid);
    XServer::end(tiler);
    fs::remove_all(home);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 200;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) runs = std::stoi(argv[++i]);
        if (arg == "--idle") {
            int seconds = 60, count = 50;
            if (i + 1 < argc && argv[i + 1][0] != '-') seconds = std::stoi(argv[++i]);
            if (i + 2 < argc && std::string(argv[i + 1]) == "--xterms")
                count = std::stoi(argv[i + 2]);
            idle(seconds, count);
            return 0;
        }
    }
    std::printf("%-28s %-18s %10s %10s %6s %6s\n", "setup", "command", "median µs", "p99 µs",
                "runs", "no-op");
    std::vector<std::string> rows;
    const Setup setups[] = {{"tessarin, no window manager", XServer::Manager::none, false},
                            {"tessarin, openbox", XServer::Manager::openbox, false},
                            {"i3 (borders off)", XServer::Manager::none, true}};
    for (const Setup& setup : setups)
        measure(setup, runs, rows);
    return 0;
}
