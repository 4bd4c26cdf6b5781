#pragma once

#include <memory>

#include "backends/sim/sim_core.hpp"
#include "platform/platform.hpp"

namespace tessarin::sim {

class SimWindowServer : public WindowServer {
  public:
    explicit SimWindowServer(std::shared_ptr<SimCore> core) : core_(std::move(core)) {}
    std::optional<std::vector<WindowInfo>> windowList(bool onScreenOnly) override;

  private:
    std::shared_ptr<SimCore> core_;
};

class SimScreens : public Screens {
  public:
    explicit SimScreens(std::shared_ptr<SimCore> core) : core_(std::move(core)) {}
    std::vector<ScreenInfo> screens() override;

  private:
    std::shared_ptr<SimCore> core_;
};

class SimPointer : public Pointer {
  public:
    explicit SimPointer(std::shared_ptr<SimCore> core) : core_(std::move(core)) {}
    Point location() override;
    std::uint32_t pressedButtons() override;
    std::uint32_t modifierFlags() override;
    void warp(Point to) override;

  private:
    std::shared_ptr<SimCore> core_;
};

class SimWorkspace : public Workspace {
  public:
    explicit SimWorkspace(std::shared_ptr<SimCore> core) : core_(std::move(core)) {}
    std::vector<RunningApplication> runningApplications() override;
    std::optional<RunningApplication> application(Pid pid) override;
    std::optional<RunningApplication> frontmostApplication() override;
    bool activate(Pid pid) override;
    bool openURL(const std::string& url) override;
    ObserverID addObserver(Observer observer) override;
    void removeObserver(ObserverID id) override;

  private:
    std::shared_ptr<SimCore> core_;
};

// The loop's time plus the latency that simulated calls have spent.
class SimClock : public Clock {
  public:
    explicit SimClock(std::shared_ptr<SimCore> core) : core_(std::move(core)) {}
    double now() const override { return core_->now(); }

  private:
    std::shared_ptr<SimCore> core_;
};

}  // namespace tessarin::sim
