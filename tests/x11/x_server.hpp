#pragma once

#include <sys/types.h>
#include <xcb/xcb.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessarin::test {

// A private X server for one test: Xvfb on a display number it picks itself (-displayfd), and
// optionally a window manager, both ended with the test. Every wait has a deadline that only
// guards against a hang; nothing here waits for a fixed time.
class XServer {
  public:
    enum class Manager { none, openbox };

    static constexpr double kDeadline = 20.0;

    XServer(int width, int height, Manager manager);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // Empty when the server could not be started; `failure` says why.
    const std::string& display() const { return display_; }
    const std::string& failure() const { return failure_; }
    Manager manager() const { return manager_; }

    // Runs a program with this display and waits for it; its exit status, or -1.
    // `env` adds NAME=value entries to the environment.
    int run(const std::vector<std::string>& argv, const std::vector<std::string>& env = {}) const;
    // Starts a program with this display; its pid, or -1.
    pid_t spawn(const std::vector<std::string>& argv,
                const std::vector<std::string>& env = {}) const;
    // SIGTERM, then waits for it.
    static void end(pid_t pid);
    // Waits for a child to end, up to the deadline; its wait status, or none.
    static std::optional<int> waitFor(pid_t pid, double seconds = kDeadline);
    // Ends the server (and its manager) now, as a crash or logout would.
    void stop();

  private:
    bool waitForManager();

    Manager manager_;
    std::string display_;
    std::string failure_;
    pid_t server_ = -1;
    pid_t wm_ = -1;
};

// The atom of `name` on a connection, XCB_NONE when the server does not answer.
xcb_atom_t internAtom(xcb_connection_t* c, const char* name);

// Waits on a connection until `match` accepts an event or the deadline passes; false then.
bool waitForEvent(xcb_connection_t* c, const std::function<bool(const xcb_generic_event_t*)>& match,
                  double seconds = XServer::kDeadline);

}  // namespace tessarin::test
