#include "x11/x_server.hpp"

#include <fstream>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

extern char** environ;

namespace tessarin::test {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// Starts a program that dies with this process (a crashed test leaves no server behind, and
// none holding the test runner's output open). `fd3` becomes its descriptor 3; `quiet` sends
// its output to /dev/null.
pid_t spawnWith(std::vector<std::string> argv, const std::string& display, int fd3 = -1,
                std::vector<std::string> env = {}, bool quiet = false) {
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "DISPLAY=", 8) != 0) env.emplace_back(*e);
    if (!display.empty()) env.push_back("DISPLAY=" + display);
    auto args = pointers(argv);
    auto envp = pointers(env);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) return pid;
    // In the child only calls that are safe after fork, up to exec.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    if (fd3 >= 0) fd3 == 3 ? fcntl(3, F_SETFD, 0) : dup2(fd3, 3);
    if (quiet) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
    }
    execvpe(args[0], args.data(), envp.data());
    _exit(127);
}

}  // namespace

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

std::vector<std::uint32_t> property32(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                                      xcb_atom_t type) {
    auto* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 16), nullptr);
    std::vector<std::uint32_t> items;
    if (reply && reply->format == 32) {
        auto* data = static_cast<std::uint32_t*>(xcb_get_property_value(reply));
        items.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return items;
}

void roundTrip(xcb_connection_t* c) {
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

void sendToRoot(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                const std::uint32_t (&data)[5]) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    std::memcpy(event.data.data32, data, sizeof data);
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

bool waitForEvent(xcb_connection_t* c, const std::function<bool(const xcb_generic_event_t*)>& match,
                  double seconds) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    xcb_flush(c);
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const bool found = match(event);
            std::free(event);
            if (found) return true;
        }
        if (xcb_connection_has_error(c)) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0) return false;
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
    }
}

bool managerRoundTrip(xcb_connection_t* c, xcb_window_t root, double seconds) {
    const xcb_window_t probe = xcb_generate_id(c);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    sendToRoot(c, root, probe, internAtom(c, "_NET_REQUEST_FRAME_EXTENTS"), {});
    const bool answered = waitForEvent(
        c,
        [&](const xcb_generic_event_t* e) {
            return (e->response_type & 0x7F) == XCB_PROPERTY_NOTIFY &&
                   reinterpret_cast<const xcb_property_notify_event_t*>(e)->window == probe;
        },
        seconds);
    xcb_destroy_window(c, probe);
    roundTrip(c);
    return answered;
}

XServer::XServer(int width, int height, Manager manager) : manager_(manager) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        failure_ = "no pipe";
        return;
    }
    // The server writes its display number to descriptor 3 once it accepts connections.
    server_ = spawnWith({"Xvfb", "-displayfd", "3", "-screen", "0",
                         std::to_string(width) + "x" + std::to_string(height) + "x24", "-noreset",
                         "-nolisten", "tcp"},
                        "", fds[1], {}, true);
    close(fds[1]);
    std::string number;
    pollfd fd{fds[0], POLLIN, 0};
    char buffer[16];
    while (server_ > 0 && poll(&fd, 1, static_cast<int>(kDeadline * 1000)) > 0) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        number.append(buffer, static_cast<std::size_t>(n));
        if (number.find('\n') != std::string::npos) break;
    }
    close(fds[0]);
    if (number.empty() || number.find('\n') == std::string::npos) {
        failure_ = "Xvfb did not start (is it installed? scripts/deps.sh installs it)";
        return;
    }
    // Built from characters: GCC 12 at -O3 misreads string copies here (-Wrestrict).
    std::string name(1, ':');
    for (char c : number.substr(0, number.find('\n')))
        name.push_back(c);
    display_ = std::move(name);
    if (manager_ == Manager::openbox) {
        wm_ = spawnWith({"openbox", "--sm-disable"}, display_, -1, {}, true);
        if (wm_ < 0 || !waitForManager()) {
            failure_ = "openbox did not start (scripts/deps.sh installs it)";
            display_.clear();
        }
    }
}

XServer::~XServer() {
    stop();
}

std::optional<int> XServer::waitFor(pid_t pid, double seconds) {
    const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    pollfd ready{fd, POLLIN, 0};
    if (fd < 0 || poll(&ready, 1, static_cast<int>(seconds * 1000)) <= 0) {
        if (fd >= 0) close(fd);
        return std::nullopt;
    }
    close(fd);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return std::nullopt;
    return status;
}

void XServer::stop() {
    end(std::exchange(wm_, -1));
    end(std::exchange(server_, -1));
}

bool XServer::waitForManager() {
    xcb_connection_t* c = xcb_connect(display_.c_str(), nullptr);
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> owned(c, xcb_disconnect);
    if (xcb_connection_has_error(c)) return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // It sets its check window before it handles requests: ask until it answers one.
    const auto end = Clock::now() + std::chrono::duration<double>(kDeadline);
    while (Clock::now() < end)
        if (managerRoundTrip(c, root, 0.5)) return true;
    return false;
}

int XServer::run(const std::vector<std::string>& argv, const std::vector<std::string>& env) const {
    const pid_t pid = spawnWith(argv, display_, -1, env);
    if (pid < 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

pid_t XServer::spawn(const std::vector<std::string>& argv,
                     const std::vector<std::string>& env) const {
    return spawnWith(argv, display_, -1, env);
}

void XServer::end(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGCONT);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

ProgramHome makeProgramHome(const std::string& prefix, const std::string& settings) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / (prefix + std::to_string(getpid()));
    fs::create_directories(root / "config/tessarin");
    fs::create_directories(root / "run/tessarin");
    fs::permissions(root / "run", fs::perms::owner_all);
    fs::permissions(root / "run/tessarin", fs::perms::owner_all);
    if (!settings.empty()) std::ofstream(root / "config/tessarin/com.tessarin.json") << settings;
    return {root,
            {"XDG_RUNTIME_DIR=" + (root / "run").string(),
             "XDG_CONFIG_HOME=" + (root / "config").string(),
             "XDG_STATE_HOME=" + (root / "state").string()}};
}

}  // namespace tessarin::test
