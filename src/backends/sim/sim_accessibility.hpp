#pragma once

#include <memory>

#include "backends/sim/sim_core.hpp"
#include "platform/accessibility.hpp"

namespace tessarin::sim {

// The accessibility service over the sim's state. Every call may come from any thread; calls
// on a hung application block (or time out at once) as its hang mode says.
class SimAccessibility : public Accessibility {
  public:
    explicit SimAccessibility(std::shared_ptr<SimCore> core) : core_(std::move(core)) {}

    AXElement application(Pid pid) override { return {pid, 0}; }
    AXElement systemWide() override { return kSystemWide; }

    AXError copyAttribute(const AXElement& element, std::string_view attribute,
                          AXValue& value) override;
    AXError copyAttributes(const AXElement& element, const std::vector<std::string>& attributes,
                           std::vector<std::optional<AXValue>>& values) override;
    AXError setAttribute(const AXElement& element, std::string_view attribute,
                         const AXValue& value) override;
    AXError isSettable(const AXElement& element, std::string_view attribute,
                       bool& settable) override;
    AXError performAction(const AXElement& element, std::string_view action) override;

    AXError windowNumber(const AXElement& element, WindowID& number) override;
    AXError processID(const AXElement& element, Pid& pid) override;
    AXError setMessagingTimeout(const AXElement& element, double seconds) override;
    AXError elementAtPosition(const AXElement& root, Point point, AXElement& element) override;

    std::unique_ptr<AXObserver> createObserver(Pid pid, AXObserver::Callback callback) override;
    bool isProcessTrusted() override;
    bool isProcessTrustedWithPrompt() override;

  private:
    AXError readLocked(const AXElement& element, std::string_view attribute, AXValue& value);
    AXError writeLocked(const AXElement& element, std::string_view attribute, const AXValue& value,
                        Outbox& out);
    AXError writeWindowLocked(WindowState& window, std::string_view attribute, const AXValue& value,
                              Outbox& out);
    AXError writeApplicationLocked(AppState& app, std::string_view attribute, const AXValue& value,
                                   Outbox& out);

    std::shared_ptr<SimCore> core_;
};

// One process's observer: registrations live in the sim's state, deliveries go through the
// main loop and are dropped unless the observer is alive and scheduled when they run.
class SimObserver : public AXObserver {
  public:
    SimObserver(std::weak_ptr<SimCore> core, std::shared_ptr<ObserverCore> state)
        : core_(std::move(core)), state_(std::move(state)) {}
    ~SimObserver() override;

    AXError addNotification(const AXElement& element, std::string_view notification) override;
    AXError removeNotification(const AXElement& element, std::string_view notification) override;
    void schedule() override { state_->scheduled = true; }
    void unschedule() override { state_->scheduled = false; }

  private:
    std::weak_ptr<SimCore> core_;
    std::shared_ptr<ObserverCore> state_;
};

}  // namespace tessarin::sim
