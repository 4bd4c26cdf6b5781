#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/preferences.hpp"

namespace tessarin {

// Settings written as text, as a scenario's `set <key> <value>` gives them. Keys are the
// settings' own names ("gap", "placement"); values are numbers, true/false, the raw name of a
// choice ("end", "onOverflow"), or comma-separated lists.
class PreferenceText {
  public:
    using Change = std::function<void(Preferences&)>;

    // The change the text asks for, or why it cannot be made ("gap wants a number, not "x"").
    struct Parsed {
        Change change;
        std::string error;
    };
    static Parsed parse(std::string_view key, std::string_view value);

    // Every key that `parse` knows, in a stable order.
    static std::vector<std::string> keys();
};

}  // namespace tessarin
