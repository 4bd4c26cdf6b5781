#include "app/setup_command.hpp"

#include <algorithm>

#include "backends/x11/x11_desktop.hpp"
#include "base/real_loop.hpp"
#include "base/thread_queues.hpp"
#include "shell/setup_report.hpp"

namespace tessarin {

int printSetupCheck(SetupCheck& check, Preferences& prefs, std::ostream& out) {
    const std::vector<SetupFinding> findings = check.check(setupContext(prefs));
    out << formatSetupFindings(findings);
    const bool serious = std::any_of(findings.begin(), findings.end(), [](const auto& finding) {
        return finding.severity != Severity::info;
    });
    return serious ? kSetupFindings : kSetupClean;
}

int printSetupCheck(const std::string& display, Preferences& prefs, std::ostream& out,
                    std::ostream& err) {
    RealLoop loop;
    std::string error;
    auto desktop = x11::X11Desktop::open(display, loop, error);
    if (!desktop) {
        err << "tessarin: " << error << "\n";
        return kSetupCannotRun;
    }
    ThreadQueueFactory queues;
    return printSetupCheck(desktop->platform(queues).setupCheck, prefs, out);
}

}  // namespace tessarin
