#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessarin {

// The names a mistyped word most likely meant, for "did you mean …?" hints: those nearest to it
// by edit distance (letter case costs nothing), if near enough to be a typing slip. Empty when
// none is. In the order of `names`.
std::vector<std::string> closestNames(std::string_view word, const std::vector<std::string>& names);

// "a", "a or b", "a, b or c"
std::string alternatives(const std::vector<std::string>& names);

}  // namespace tessarin
