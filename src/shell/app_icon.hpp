#pragma once

#include <string_view>

namespace tessarin {

// The application's icon (data/icons/tessarin.svg), compiled in so that `tessarin --install`
// needs no data files beside the program.
extern const std::string_view appIconSvg;

}  // namespace tessarin
