#pragma once

#include "backends/x11/x11_desktop.hpp"
#include "platform/platform.hpp"

namespace tessarin::x11 {

// The window server's list: the managed clients front to back.
class X11WindowServer : public WindowServer {
  public:
    explicit X11WindowServer(X11Desktop& desktop) : desktop_(desktop) {}
    std::optional<std::vector<WindowInfo>> windowList(bool onScreenOnly) override;

  private:
    X11Desktop& desktop_;
};

// RandR monitors, the primary first, in the bottom-left convention.
class X11Screens : public Screens {
  public:
    explicit X11Screens(X11Desktop& desktop) : desktop_(desktop) {}
    std::vector<ScreenInfo> screens() override;

  private:
    X11Desktop& desktop_;
};

class X11Pointer : public Pointer {
  public:
    explicit X11Pointer(X11Desktop& desktop) : desktop_(desktop) {}
    Point location() override;
    std::uint32_t pressedButtons() override;
    std::uint32_t modifierFlags() override;
    void warp(Point to) override;

  private:
    X11Desktop& desktop_;
};

// Applications are the processes that own client windows, named from WM_CLASS.
class X11Workspace : public Workspace {
  public:
    explicit X11Workspace(X11Desktop& desktop) : desktop_(desktop) {}
    std::vector<RunningApplication> runningApplications() override;
    std::optional<RunningApplication> application(Pid pid) override;
    std::optional<RunningApplication> frontmostApplication() override;
    bool activate(Pid pid) override;
    bool openURL(const std::string& url) override;
    ObserverID addObserver(Observer observer) override;
    void removeObserver(ObserverID id) override;

  private:
    X11Desktop& desktop_;
};

// The main loop's monotonic clock.
class X11Clock : public Clock {
  public:
    explicit X11Clock(MainLoop& loop) : loop_(loop) {}
    double now() const override { return loop_.now(); }

  private:
    MainLoop& loop_;
};

}  // namespace tessarin::x11
