#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/setup_check.hpp"
#include "settings/preferences.hpp"

namespace tessarin {

// "blocking", "warning" or "info".
std::string_view severityName(Severity severity);

// The findings as text, one paragraph each: severity and title, the detail, the fix when there
// is one, and where the answer was read. A line says so when there is nothing to report.
std::string formatSetupFindings(const std::vector<SetupFinding>& findings);

// Tessarin's side of the check from the user's settings: whether swipes are on and with how
// many fingers. A fix that changes the finger count writes it to `prefs`, which must outlive
// the findings.
SetupContext setupContext(Preferences& prefs);

}  // namespace tessarin
