#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "backends/x11/x11_connection.hpp"
#include "base/main_loop.hpp"
#include "core/keyboard_layout.hpp"
#include "platform/platform.hpp"

namespace tessarin::x11 {

class X11Accessibility;
class X11WindowServer;
class X11Screens;
class X11Pointer;
class X11Workspace;
class X11Clock;
class X11HotKeys;
class X11InputEvents;
class X11KeyboardLayout;
class X11SetupCheck;

// One monitor as RandR describes it, in root coordinates.
struct Monitor {
    std::string identity;  // from the EDID when there is one, else the monitor's name
    std::string name;
    std::uint32_t number = 0;
    Rect frame;
    Rect visibleFrame;  // less the struts of docks and panels
    int refreshRate = 60;
    bool primary = false;
};

// A client window: a top-level window of another program that a window manager would manage.
struct Client {
    xcb_window_t window = 0;    // the element's reference and the window number
    xcb_window_t topLevel = 0;  // the child of the root holding it: a manager's frame, or itself
    Pid pid = 0;
    std::string appClass;  // WM_CLASS class, the application's name
    std::string title;     // kept from the property events: the overview asks for every title
    bool normal = true;    // a normal window (or one without a type), not a utility or dock
    bool dock = false;
    bool desktop = false;
    bool iconic = false;
    std::optional<Rect> frame;  // root coordinates, decorations included
};

// The X11 desktop behind the platform boundary: one XCB connection, a model of the client
// windows and applications kept on the main loop from the server's events, and the services
// that answer the boundary's calls from it and from the server.
//
// Without a window manager, windows are configured and focused directly; with one, Tessarin
// asks it through EWMH messages, as a pager does, and never takes the manager's selection.
class X11Desktop {
  public:
    // None, with a one-line reason, when the display cannot be opened. The events are read on
    // `loop`, which must be able to watch descriptors.
    static std::unique_ptr<X11Desktop> open(const std::string& display, MainLoop& loop,
                                            std::string& error);
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    Platform platform(QueueFactory& queues);
    Connection& connection() { return *conn_; }
    // The display it was opened on, for the connections of its helpers ("" for $DISPLAY).
    const std::string& displayName() const { return display_; }
    // Key labels of the server's current keymap.
    const KeyboardLayout& keyboardLayout() const;
    MainLoop& loop() { return loop_; }

    // Reads what the server sent and delivers the notifications it means. Main loop; the loop
    // calls it when the connection is readable.
    void pump();
    // Called once, on the main loop, when the connection to the server is lost.
    std::function<void()> onConnectionLost;

    bool windowManagerRunning() const;

    // --- the model, for the services (any thread)
    std::optional<Client> client(xcb_window_t window) const;
    std::vector<Client> clients() const;
    std::vector<xcb_window_t> windowsOf(Pid pid) const;
    bool hasApplication(Pid pid) const;
    std::optional<RunningApplication> application(Pid pid) const;
    std::vector<RunningApplication> applications() const;
    // The active client window, 0 when none.
    xcb_window_t active() const;
    // The application's main window: the active one when it is the application's, else the
    // one it last had active, else its newest.
    xcb_window_t focusedWindowOf(Pid pid) const;
    void noteRaised(xcb_window_t window);
    std::vector<Monitor> monitors() const;
    // The primary monitor's top-left corner in root coordinates: the boundary's origin.
    Point origin() const;
    // Per-application flags that have no X11 meaning but are reported back when set.
    std::optional<bool> appFlag(Pid pid, const std::string& name) const;
    void setAppFlag(Pid pid, const std::string& name, bool value);

    // --- server reads and writes shared by the services (any thread)
    // A client's frame in root coordinates, decorations included; error when it cannot be read.
    std::optional<Rect> frame(xcb_window_t window, AXError& error) const;
    std::vector<std::optional<Rect>> frames(const std::vector<xcb_window_t>& windows) const;
    AXError writeFrame(xcb_window_t window, std::optional<Point> origin, std::optional<Size> size);
    AXError activate(xcb_window_t window);
    AXError raise(xcb_window_t window);

    // A window of the program's own that follows a client as its frame is written: each
    // position written for `client` moves `own` there plus `offset`, in the same batch, and the
    // main loop sends nothing for it. With a manager, the outline moves as the request to the
    // manager is sent; the frame follows when the manager handles it.
    struct Follower {
        xcb_window_t client = 0;
        xcb_window_t own = 0;
        Point offset;
    };
    // Runs `place` (requests that put the follower somewhere), then makes `follower` the one,
    // under the lock the writers hold while they move it: what they send for it afterwards
    // comes after what `place` sent. A zero client ends the following.
    void follow(const Follower& follower, const std::function<void()>& place);
    AXError setIconic(xcb_window_t window, bool iconic);
    AXError setFullScreen(xcb_window_t window, bool on);
    // Top-level clients, front to back.
    std::vector<xcb_window_t> stacking() const;
    bool viewable(xcb_window_t topLevel) const;

    // One thread at a time talks to the server: held around every exchange of requests and
    // replies, on the loop and on the mover's threads alike. Two threads waiting for replies
    // on one connection can spin forever in libxcb 1.15 when the server goes away.
    std::unique_lock<std::recursive_mutex> talk() { return std::unique_lock(serverMutex_); }

    // After a reply another thread waited for, events may sit in XCB's queue with nothing left
    // on the socket to wake the loop: ask the loop to look.
    void nudge();

    // --- observers
    struct ObserverState {
        Pid pid = 0;
        std::function<void(const AXElement&, const std::string&)> callback;
        std::set<std::pair<std::uint64_t, std::string>> registrations;
        bool scheduled = false;
    };
    void addObserver(const std::shared_ptr<ObserverState>& state);
    std::mutex& observerMutex() { return observerMutex_; }
    using WorkspaceObserver =
        std::function<void(WorkspaceEvent, const std::optional<RunningApplication>&)>;
    std::uint64_t addWorkspaceObserver(WorkspaceObserver observer);
    void removeWorkspaceObserver(std::uint64_t id);

  private:
    X11Desktop(std::unique_ptr<Connection> conn, MainLoop& loop);

    struct App {
        std::string name;
        std::vector<xcb_window_t> windows;  // oldest first
        xcb_window_t lastActive = 0;
        bool hidden = false;
        std::map<std::string, bool> flags;
    };

    void handle(const xcb_generic_event_t* event);
    void applyChanges();
    void rescan();
    std::set<xcb_window_t> currentClients();
    std::optional<Client> describe(xcb_window_t window);
    void addClient(Client client);
    void removeClient(xcb_window_t window);
    void refreshFrame(xcb_window_t window);
    void refreshIconic(xcb_window_t window);
    void refreshActive();
    void refreshHidden(Pid pid);
    void detectWindowManager();
    void readMonitors();
    std::optional<xcb_window_t> clientOf(xcb_window_t any) const;
    bool readIconic(xcb_window_t window) const;
    // _NET_WM_NAME, else WM_NAME (Latin-1 when of type STRING), cut and cleaned; none when the
    // window is gone.
    std::optional<std::string> readTitle(xcb_window_t window) const;
    void refreshTitle(xcb_window_t window);
    RunningApplication runningLocked(Pid pid, const App& app) const;

    void notify(Pid pid, xcb_window_t window, const std::string& name);
    void emit(WorkspaceEvent event, std::optional<RunningApplication> app);

    std::unique_ptr<Connection> conn_;
    std::string display_;
    MainLoop& loop_;
    MainLoop::WatchID watch_ = 0;
    std::atomic<bool> pumpPosted_{false};
    bool lost_ = false;

    // Changes seen in the current batch of events, applied together after it.
    bool rescanNeeded_ = false;
    bool activeDirty_ = false;
    bool screensDirty_ = false;
    bool spaceChanged_ = false;
    std::set<xcb_window_t> frameDirty_;
    std::set<xcb_window_t> stateDirty_;
    std::set<xcb_window_t> titleDirty_;
    xcb_window_t wmCheck_ = 0;

    std::recursive_mutex serverMutex_;
    // Guards everything below; never held across a request to the server.
    mutable std::mutex mutex_;
    bool wm_ = false;
    std::map<xcb_window_t, Client> clients_;
    std::map<xcb_window_t, xcb_window_t> byTopLevel_;
    std::map<Pid, App> apps_;
    xcb_window_t active_ = 0;
    std::vector<Monitor> monitors_;

    std::mutex observerMutex_;
    std::mutex followerMutex_;
    Follower follower_;
    std::vector<std::weak_ptr<ObserverState>> observers_;
    std::map<std::uint64_t, std::shared_ptr<WorkspaceObserver>> workspaceObservers_;
    std::uint64_t lastWorkspaceObserver_ = 0;

    std::unique_ptr<X11Accessibility> accessibility_;
    std::unique_ptr<X11WindowServer> windowServer_;
    std::unique_ptr<X11Screens> screens_;
    std::unique_ptr<X11Pointer> pointer_;
    std::unique_ptr<X11Workspace> workspace_;
    std::unique_ptr<X11Clock> clock_;
    std::unique_ptr<X11InputEvents> inputEvents_;
    std::unique_ptr<X11HotKeys> hotKeys_;
    std::unique_ptr<X11KeyboardLayout> keyboardLayout_;
    std::unique_ptr<X11SetupCheck> setupCheck_;
};

}  // namespace tessarin::x11
