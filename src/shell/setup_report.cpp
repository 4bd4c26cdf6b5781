#include "shell/setup_report.hpp"

namespace tessarin {

std::string_view severityName(Severity severity) {
    switch (severity) {
        case Severity::blocking:
            return "blocking";
        case Severity::warning:
            return "warning";
        case Severity::info:
            return "info";
    }
    return "info";
}

std::string formatSetupFindings(const std::vector<SetupFinding>& findings) {
    if (findings.empty()) return "Nothing on this desktop fights Tessarin.\n";
    std::string text;
    for (const SetupFinding& finding : findings) {
        if (!text.empty()) text += "\n";
        text += std::string(severityName(finding.severity)) + ": " + finding.title + "\n";
        text += "  " + finding.detail + "\n";
        if (finding.fixTitle) text += "  fix: " + *finding.fixTitle + "\n";
        if (!finding.source.empty()) text += "  (read from " + finding.source + ")\n";
    }
    return text;
}

SetupContext setupContext(Preferences& prefs) {
    return {prefs.gesturesEnabled(), static_cast<int>(prefs.gestureFingers()),
            [&prefs](int fingers) { prefs.setGestureFingers(fingers); }};
}

}  // namespace tessarin
