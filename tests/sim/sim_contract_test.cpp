#include "backends/sim/sim_desktop.hpp"
#include "base/stepped_executor.hpp"
#include "base/virtual_loop.hpp"
#include "support/platform_contract.hpp"

namespace tessarin::sim {
namespace {

// Stages the contract's desktops on the sim: two displays side by side, the second taller.
class SimDriver : public test::PlatformDriver {
  public:
    SimDriver() {
        desktop_.plugDisplay(makeDisplay(kPrimary, {0, 0, 1440, 900}, "Built-in"));
        desktop_.plugDisplay(makeDisplay(kSecondary, {1440, 0, 1920, 1080}, "External"));
        loop_.drain();
    }

    Platform platform() override { return desktop_.platform(queues_); }
    Capabilities capabilities() const override { return {true, true, true}; }
    void settle() override { loop_.drain(); }
    std::vector<Display> displays() const override {
        return {{kPrimary, {0, 0, 1440, 900}}, {kSecondary, {1440, 0, 1920, 1080}}};
    }

    std::optional<Pid> launchApp(const std::string& name) override {
        return desktop_.launch(makeApp("com.example." + name, name));
    }
    bool quitApp(Pid pid) override { return desktop_.quit(pid); }
    bool hideApp(Pid pid) override { return desktop_.hide(pid); }
    std::optional<WindowID> openWindow(Pid pid, const std::string& title, Rect frame) override {
        return desktop_.openWindow(pid, makeWindow(title, frame));
    }
    bool closeWindow(WindowID window) override { return desktop_.closeWindow(window); }
    bool minimizeWindow(WindowID window) override { return desktop_.setMinimized(window, true); }
    bool sendToOtherWorkspace(WindowID window) override {
        return desktop_.moveToWorkspace(window, 2);
    }

  private:
    static constexpr const char* kPrimary = "37D8832A-2D66-02CA-B9F7-8F30A301B230";
    static constexpr const char* kSecondary = "5E9A1C44-0B1D-4F6E-8C2A-1D2E3F405162";

    VirtualLoop loop_;
    SteppedExecutor queues_;
    SimDesktop desktop_{loop_};
};

const test::ContractBackend kSim{"Sim", [] { return std::make_unique<SimDriver>(); }};

}  // namespace

TESSARIN_PLATFORM_CONTRACT(Sim, kSim);

}  // namespace tessarin::sim
