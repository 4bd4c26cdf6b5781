#include "core/key_combo.hpp"

#include <limits>

#include <nlohmann/json.hpp>

#include "core/key_names.hpp"

namespace tessarin {

namespace {

std::optional<std::uint32_t> unsignedField(const nlohmann::json& json, const char* key,
                                           std::uint32_t max) {
    auto it = json.find(key);
    if (it == json.end() || !it->is_number_integer()) return std::nullopt;
    // Integers built in code are signed even when positive; parsed ones are unsigned.
    if (!it->is_number_unsigned() && it->get<std::int64_t>() < 0) return std::nullopt;
    auto value = it->get<std::uint64_t>();
    if (value > max) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

KeyCombo KeyCombo::fromEvent(std::uint16_t keyCode, std::uint64_t flags) {
    std::uint32_t mask = 0;
    if (flags & EventFlag::control) mask |= ModifierMask::control;
    if (flags & EventFlag::option) mask |= ModifierMask::option;
    if (flags & EventFlag::shift) mask |= ModifierMask::shift;
    if (flags & EventFlag::command) mask |= ModifierMask::command;
    return KeyCombo{keyCode, mask};
}

std::string KeyCombo::display(const KeyboardLayout* layout) const {
    std::string label;
    if (modifiers & ModifierMask::control) label += "⌃";
    if (modifiers & ModifierMask::option) label += "⌥";
    if (modifiers & ModifierMask::shift) label += "⇧";
    if (modifiers & ModifierMask::command) label += "⌘";
    return label + KeyNames::name(keyCode, layout);
}

nlohmann::json KeyCombo::toJson() const {
    return nlohmann::json{{"keyCode", keyCode}, {"modifiers", modifiers}};
}

std::optional<KeyCombo> KeyCombo::fromJson(const nlohmann::json& json) {
    if (!json.is_object()) return std::nullopt;
    auto keyCode = unsignedField(json, "keyCode", maxKeyCode);
    auto modifiers = unsignedField(json, "modifiers", std::numeric_limits<std::uint32_t>::max());
    if (!keyCode || !modifiers) return std::nullopt;
    return KeyCombo{*keyCode, *modifiers};
}

}  // namespace tessarin
