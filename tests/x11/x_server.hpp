#pragma once

#include <sys/types.h>
#include <xcb/xcb.h>

#include <filesystem>
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

// Up to 16 items of a 32-bit property; empty when the window has none of that type.
std::vector<std::uint32_t> property32(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                                      xcb_atom_t type = XCB_ATOM_CARDINAL);

// A round trip to the server: every request sent before has been handled.
void roundTrip(xcb_connection_t* c);

// Sends a 32-bit client message about `window` to `root`, as window managers expect requests.
void sendToRoot(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                const std::uint32_t (&data)[5]);

// The window manager handles requests in order: once it answers a frame-extents request for a
// fresh window, everything sent to it before has been handled too. False if it did not answer.
bool managerRoundTrip(xcb_connection_t* c, xcb_window_t root, double seconds = XServer::kDeadline);

// Waits on a connection until `match` accepts an event or the deadline passes; false then.
bool waitForEvent(xcb_connection_t* c, const std::function<bool(const xcb_generic_event_t*)>& match,
                  double seconds = XServer::kDeadline);

// A home of its own for the tessarin program under the temporary folder: the settings
// (written when `settings` is not empty), runtime and state folders, and the environment that
// points the program at them.
struct ProgramHome {
    std::filesystem::path root;
    std::vector<std::string> env;
};
ProgramHome makeProgramHome(const std::string& prefix, const std::string& settings);

}  // namespace tessarin::test
