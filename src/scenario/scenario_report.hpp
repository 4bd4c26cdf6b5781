#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "core/geometry.hpp"
#include "core/window_id.hpp"
#include "scenario/sim_session.hpp"

namespace tessarin {

// The text that a scenario's `print` writes: deterministic, one fact per line, windows named
// "label(number)" so an expected-output file reads without the scenario beside it.
class ScenarioReport {
  public:
    ScenarioReport(SimSession& session, const std::map<WindowID, std::string>& labels)
        : session_(session), labels_(labels) {}

    // Every window of `order` that still exists: its frame, what the engine does with it, and
    // its state on the desktop.
    void frames(std::ostream& out, const std::vector<WindowID>& order) const;
    // Per display, the columns of its strip with their windows, widths, focus and scroll; then
    // the strips of unplugged displays, the floating and the dormant windows.
    void strips(std::ostream& out) const;
    // The log lines from `from` on, each with the time it was written.
    void log(std::ostream& out, std::size_t from) const;

    // "editor(101)", or "?(101)" for a window the scenario did not open.
    std::string name(WindowID id) const;
    // Whole numbers without decimals, others with up to two: "705", "12.5".
    static std::string number(double value);
    // "10,35 705x845".
    static std::string rect(const Rect& frame);

  private:
    std::string heading(const char* what) const;

    SimSession& session_;
    const std::map<WindowID, std::string>& labels_;
};

}  // namespace tessarin
