#pragma once

#include <ostream>
#include <string>

#include "platform/setup_check.hpp"
#include "settings/preferences.hpp"

namespace tessarin {

// Exit statuses of `tessarin --check`.
enum SetupCheckStatus : int {
    kSetupClean = 0,      // nothing found, or only notes of severity info
    kSetupCannotRun = 1,  // the display could not be opened
    kSetupFindings = 2,   // something blocks or warns
};

// Runs the check with the user's settings and prints what it found on `out`; changes nothing.
int printSetupCheck(SetupCheck& check, Preferences& prefs, std::ostream& out);

// The same for the X display `display` ("" for $DISPLAY): opens it, checks and closes it.
// A display that cannot be opened is reported on `err`.
int printSetupCheck(const std::string& display, Preferences& prefs, std::ostream& out,
                    std::ostream& err);

}  // namespace tessarin
