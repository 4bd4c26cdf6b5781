#include "ui/shortcut_text.hpp"

namespace tessarin {

std::optional<std::string> firstShortcutText(const Bindings& bindings, Action action,
                                             const KeyboardLayout* layout) {
    static const UsKeyboardLayout fallback;
    const auto found = bindings.find(action);
    if (found == bindings.end() || found->second.empty()) return std::nullopt;
    return found->second.front().display(layout ? layout : &fallback);
}

}  // namespace tessarin
