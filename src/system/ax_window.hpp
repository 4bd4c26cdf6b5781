#pragma once

#include <memory>
#include <optional>
#include <string>

#include "core/geometry.hpp"
#include "core/window_id.hpp"
#include "platform/accessibility.hpp"
#include "platform/workspace.hpp"

namespace tessarin {

// One window that the engine manages or considers. It is shared between the engine (main loop)
// and the mover's queues; nothing in it changes after construction, so any thread may use it.
class AXWindow {
  public:
    // Bounds how long one call on a hung application's window may block.
    static constexpr double messagingTimeout = 0.5;

    // None when the element has no window number (the call fails or gives 0): such a window
    // cannot be managed, and callers skip it silently.
    static std::shared_ptr<AXWindow> create(Accessibility& ax, Workspace& workspace,
                                            const AXElement& element, Pid pid);

    const AXElement element;
    const WindowID id;
    const Pid pid;
    const std::optional<std::string> bundleID;

    // The bundle identifier, or "?" when the application has none: the form log lines use.
    std::string bundleText() const { return bundleID.value_or("?"); }

    // Writes a frame. With a `previous` frame of exactly the same size only the position is
    // written; otherwise size, position, size, because the application may clamp the first size
    // against the screen edge at the old place. Failures are logged, never returned: callers learn
    // the real frame by reading it back.
    void setFrame(const Rect& frame, const std::optional<Rect>& previous) const;

    Accessibility& accessibility() const { return ax_; }

  private:
    // Only `create` builds windows, so none exists without a window number.
    struct Key {
        explicit Key() = default;
    };

  public:
    AXWindow(Key, Accessibility& ax, const AXElement& element, WindowID id, Pid pid,
             std::optional<std::string> bundleID);

  private:
    Accessibility& ax_;
};

using AXWindowPtr = std::shared_ptr<const AXWindow>;

}  // namespace tessarin
