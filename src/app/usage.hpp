#pragma once

namespace tessarin {

// The text of `tessarin --help`: every option and command, in the words of the manual page
// (docs/tessarin.1.scd), which says more.
const char* usageText();

}  // namespace tessarin
