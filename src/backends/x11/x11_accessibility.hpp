#pragma once

#include <map>
#include <mutex>

#include "backends/x11/x11_desktop.hpp"
#include "platform/accessibility.hpp"

namespace tessarin::x11 {

// The accessibility service, built from window properties: there is no accessibility bus to
// ask, so every answer comes from the X server (window elements are client windows, their
// reference and number the window's XID) or from the desktop's model.
class X11Accessibility : public Accessibility {
  public:
    static constexpr AXElement kSystemWide{0, 1};

    explicit X11Accessibility(X11Desktop& desktop) : desktop_(desktop) {}

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
    bool isProcessTrustedWithPrompt() override { return isProcessTrusted(); }

  private:
    // The element's client window, or why it has none.
    AXError windowOf(const AXElement& element, Client& client) const;
    AXError readWindow(const Client& client, std::string_view attribute, AXValue& value);
    AXError readApplication(Pid pid, std::string_view attribute, AXValue& value);
    bool fixedSize(xcb_window_t window) const;
    bool fullScreen(xcb_window_t window) const;

    X11Desktop& desktop_;
    std::mutex timeoutMutex_;
    // Replies come from the server, which answers at once; kept so a caller reads back what it
    // set, and for the day requests wait on clients (_NET_WM_PING).
    std::map<std::pair<Pid, std::uint64_t>, double> timeouts_;
};

}  // namespace tessarin::x11
