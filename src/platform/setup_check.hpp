#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessarin {

// How much a finding stands in the way, most serious first.
enum class Severity { blocking, warning, info };

// One thing on the user's system that fights a scrolling tiler, as the settings pane shows it.
// `fix`, when present, changes the setting (or opens the place where the user changes it) in
// one click; it stays valid while the platform that made it lives.
struct SetupFinding {
    std::string id;
    Severity severity = Severity::info;
    std::string title;
    std::string detail;
    std::optional<std::string> fixTitle;
    std::optional<std::function<void()>> fix;
    // Where the answer was read: a property, a preference key, a file.
    std::string source;
};

// What the check needs from Tessarin's own settings.
struct SetupContext {
    bool gesturesEnabled = true;
    int gestureFingers = 3;
    // For fixes that change Tessarin's swipe instead of the system's.
    std::function<void(int fingers)> setGestureFingers;
};

// Looks at the desktop for what would fight the tiler. Every call reads afresh (nothing is
// cached) and never fails: what cannot be read is left out. Main loop.
class SetupCheck {
  public:
    virtual ~SetupCheck() = default;
    virtual std::vector<SetupFinding> check(const SetupContext& context) = 0;
};

}  // namespace tessarin
