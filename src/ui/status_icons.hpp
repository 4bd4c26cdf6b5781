#pragma once

#include <string_view>

namespace tessarin {

// The status icon's two states (data/icons/status-on.svg, status-off.svg), compiled in. Their
// colour is "currentColor", filled in when drawn.
extern const std::string_view statusOnSvg;
extern const std::string_view statusOffSvg;

}  // namespace tessarin
