#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "backends/x11/x11_desktop.hpp"
#include "base/real_loop.hpp"
#include "base/stepped_executor.hpp"
#include "support/platform_contract.hpp"
#include "x11/x_server.hpp"

namespace tessarin::x11 {
namespace {

using test::waitForEvent;
using test::XServer;

// Stages the contract's desktops on a private Xvfb, with or without a window manager. The
// driver plays the other applications on a connection of its own: each "application" is a
// process id it makes up and sets as _NET_WM_PID, with WM_CLASS naming it.
class X11Driver : public test::PlatformDriver {
  public:
    explicit X11Driver(XServer::Manager manager) : server_(3360, 1080, manager) {
        if (server_.display().empty()) return;
        // Two monitors side by side: the output's own one shrunk to the left part, and one more.
        if (server_.run({"xrandr", "--setmonitor", "Left", "1440/380x900/240+0+0", "screen"}) !=
                0 ||
            server_.run({"xrandr", "--setmonitor", "Right", "1920/500x1080/280+1440+0", "none"}) !=
                0) {
            return;
        }
        std::string error;
        desktop_ = X11Desktop::open(server_.display(), loop_, error);
        client_ = xcb_connect(server_.display().c_str(), nullptr);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(client_)).data->root;
        if (desktop_) settle();
    }
    ~X11Driver() override {
        desktop_.reset();
        if (client_) xcb_disconnect(client_);
    }
    bool ready() const { return desktop_ && client_ && !xcb_connection_has_error(client_); }
    std::string failure() const {
        return server_.failure().empty() ? "could not set up the display" : server_.failure();
    }

    Platform platform() override { return desktop_->platform(queues_); }
    Capabilities capabilities() const override { return {wm(), true, true}; }

    void settle() override {
        xcb_aux_sync();
        if (wm()) managerRoundTrip();
        desktop_->connection().sync();
        loop_.post([this] {
            desktop_->pump();
            loop_.quit();
        });
        loop_.run();
    }

    std::vector<Display> displays() const override {
        return {{"Left", {0, 0, 1440, 900}}, {"Right", {1440, 0, 1920, 1080}}};
    }

    std::optional<Pid> launchApp(const std::string& name) override {
        const Pid pid = 40000 + static_cast<Pid>(names_.size());
        names_[pid] = name;
        return pid;
    }
    bool quitApp(Pid pid) override {
        for (auto it = windows_.begin(); it != windows_.end();) {
            if (it->second == pid) {
                xcb_destroy_window(client_, it->first);
                it = windows_.erase(it);
            } else {
                ++it;
            }
        }
        xcb_aux_sync();
        return true;
    }
    bool hideApp(Pid pid) override {
        for (const auto& [window, owner] : windows_)
            if (owner == pid) minimizeWindow(window);
        return true;
    }

    std::optional<WindowID> openWindow(Pid pid, const std::string& title, Rect frame) override {
        const xcb_window_t window = xcb_generate_id(client_);
        const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_create_window(
            client_, XCB_COPY_FROM_PARENT, window, root_, static_cast<std::int16_t>(frame.x),
            static_cast<std::int16_t>(frame.y), static_cast<std::uint16_t>(frame.width),
            static_cast<std::uint16_t>(frame.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
            XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        const std::string& name = names_[pid];
        const std::string wmClass = name + '\0' + name + '\0';
        const std::uint32_t processID = static_cast<std::uint32_t>(pid);
        xcb_change_property(client_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                            XCB_ATOM_STRING, 8, wmClass.size(), wmClass.data());
        xcb_change_property(client_, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"),
                            XCB_ATOM_CARDINAL, 32, 1, &processID);
        xcb_change_property(client_, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_NAME"),
                            atom("UTF8_STRING"), 8, title.size(), title.data());
        xcb_map_window(client_, window);
        windows_[window] = pid;
        if (!waitForEvent(client_, [&](const xcb_generic_event_t* e) {
                return (e->response_type & 0x7F) == XCB_MAP_NOTIFY &&
                       reinterpret_cast<const xcb_map_notify_event_t*>(e)->window == window;
            })) {
            return std::nullopt;
        }
        if (wm()) {
            // The manager placed and decorated it: put its frame where the test wants it.
            managerRoundTrip();
            auto extents = test::property32(client_, window, atom("_NET_FRAME_EXTENTS"));
            extents.resize(4, 0);
            const std::uint32_t data[5] = {
                XCB_GRAVITY_STATIC | (0xF << 8) | (2 << 12),
                static_cast<std::uint32_t>(frame.x + extents[0]),
                static_cast<std::uint32_t>(frame.y + extents[2]),
                static_cast<std::uint32_t>(frame.width - extents[0] - extents[1]),
                static_cast<std::uint32_t>(frame.height - extents[2] - extents[3])};
            sendToRoot(window, atom("_NET_MOVERESIZE_WINDOW"), data);
        }
        return window;
    }
    bool closeWindow(WindowID window) override {
        xcb_destroy_window(client_, window);
        windows_.erase(window);
        xcb_aux_sync();
        return true;
    }
    bool minimizeWindow(WindowID window) override {
        if (wm()) {
            const std::uint32_t data[5] = {3, 0, 0, 0, 0};  // IconicState
            sendToRoot(window, atom("WM_CHANGE_STATE"), data);
            return true;
        }
        // No manager to ask: the driver does what one would.
        const std::uint32_t state[2] = {3, 0};
        xcb_change_property(client_, XCB_PROP_MODE_REPLACE, window, atom("WM_STATE"),
                            atom("WM_STATE"), 32, 2, state);
        xcb_unmap_window(client_, window);
        xcb_aux_sync();
        return true;
    }
    bool sendToOtherWorkspace(WindowID window) override {
        const std::uint32_t data[5] = {1, 2, 0, 0, 0};
        sendToRoot(window, atom("_NET_WM_DESKTOP"), data);
        return true;
    }

  private:
    bool wm() const { return server_.manager() != XServer::Manager::none; }

    void xcb_aux_sync() { test::roundTrip(client_); }

    xcb_atom_t atom(const char* name) { return test::internAtom(client_, name); }

    void sendToRoot(xcb_window_t window, xcb_atom_t type, const std::uint32_t (&data)[5]) {
        test::sendToRoot(client_, root_, window, type, data);
    }
    void managerRoundTrip() {
        EXPECT_TRUE(test::managerRoundTrip(client_, root_)) << "the window manager did not answer";
    }

    XServer server_;
    RealLoop loop_;
    SteppedExecutor queues_;
    std::unique_ptr<X11Desktop> desktop_;
    xcb_connection_t* client_ = nullptr;
    xcb_window_t root_ = 0;
    std::map<Pid, std::string> names_;
    std::map<xcb_window_t, Pid> windows_;
};

std::unique_ptr<test::PlatformDriver> make(XServer::Manager manager) {
    auto driver = std::make_unique<X11Driver>(manager);
    // A missing server is a failure, not a skip: the test setup installs it.
    if (!driver->ready()) ADD_FAILURE() << driver->failure();
    return driver->ready() ? std::move(driver) : nullptr;
}

const test::ContractBackend kBare{"X11WithoutWindowManager",
                                  [] { return make(XServer::Manager::none); }};
const test::ContractBackend kOpenbox{"X11WithOpenbox",
                                     [] { return make(XServer::Manager::openbox); }};

}  // namespace

TESSARIN_PLATFORM_CONTRACT(Bare, kBare);
INSTANTIATE_TEST_SUITE_P(Openbox, PlatformContract, ::testing::Values(kOpenbox),
                         [](const auto& info) { return info.param.name; });

}  // namespace tessarin::x11
