#include "settings/bindings_codec.hpp"
#include "settings/preferences.hpp"

namespace tessarin {

namespace {
constexpr const char* bindingsKey = "bindings";
}

Bindings Preferences::loadBindings(std::uint32_t base) const {
    Bindings bindings = DefaultShortcuts::make(base);
    auto value = store_.object(bindingsKey);
    if (!value || !value->is_string()) return bindings;
    auto storedBindings = BindingsCodec::decode(value->get_ref<const std::string&>());
    if (!storedBindings) return bindings;
    for (auto& [action, combos] : *storedBindings)
        bindings[action] = std::move(combos);
    return bindings;
}

void Preferences::setBindings(Bindings value) {
    willChange.emit(bindingsKey);
    bindings_ = std::move(value);
}

bool Preferences::saveBindings() {
    auto text = BindingsCodec::encode(bindings_);
    if (!text) return false;
    store_.set(bindingsKey, std::move(*text));
    return true;
}

void Preferences::setBaseModifier(std::uint32_t value) {
    const std::uint32_t old = baseModifier_;
    if (value == old) return;
    Bindings rewritten = bindings_;
    for (auto& [action, combos] : rewritten) {
        for (auto& combo : combos) {
            if ((combo.modifiers & old) == old) combo.modifiers = (combo.modifiers & ~old) | value;
        }
    }
    willChange.emit("baseModifier");
    baseModifier_ = value;
    store_.set("baseModifier", value);
    setBindings(std::move(rewritten));
    saveBindings();
}

void Preferences::restoreDefaultShortcuts() {
    setBindings(DefaultShortcuts::make(baseModifier_));
    saveBindings();
}

std::vector<Action> Preferences::actionsBoundTo(const KeyCombo& combo) const {
    std::vector<Action> actions;
    for (const auto& [action, combos] : bindings_) {
        for (const auto& bound : combos) {
            if (bound == combo) {
                actions.push_back(action);
                break;
            }
        }
    }
    return actions;
}

}  // namespace tessarin
