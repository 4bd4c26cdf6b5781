#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/geometry.hpp"
#include "core/window_id.hpp"
#include "scenario/sim_session.hpp"

namespace tessarin {

// What a scenario's `print picture` shows, without any toolkit: the displays, and every window
// the scenario opened where it is on the desktop now, columns parked beside a display
// included.
struct StripPicture {
    struct Screen {
        std::string uuid;
        std::string name;
        Rect frame;
        bool active = false;

        bool operator==(const Screen&) const = default;
    };
    struct Window {
        WindowID id = 0;
        std::string label;  // "editor(101)"
        Rect frame;
        std::string role;  // as `print frames` names it: "tiled", "floating", "unmanaged", ...
        bool focused = false;
        // A tiled window the engine put (almost) wholly beside its display.
        bool parked = false;

        bool operator==(const Window&) const = default;
    };

    std::vector<Screen> screens;
    std::vector<Window> windows;  // in opening order, so later ones are drawn over earlier ones

    // Everything drawn: the displays and the windows.
    Rect bounds() const;

    bool operator==(const StripPicture&) const = default;
};

// The picture of the session now; `order` and `labels` are the scenario's windows.
StripPicture describePicture(SimSession& session, const std::vector<WindowID>& order,
                             const std::map<WindowID, std::string>& labels);

// Turns a picture into an image file; the program provides one (it needs a toolkit).
class PictureWriter {
  public:
    virtual ~PictureWriter() = default;
    // An error message, or none when the file was written.
    virtual std::optional<std::string> write(const StripPicture& picture,
                                             const std::string& path) = 0;
};

}  // namespace tessarin
