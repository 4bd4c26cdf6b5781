#include "settings/bindings_codec.hpp"

#include "base/json_text.hpp"

namespace tessarin {

std::optional<Bindings> BindingsCodec::decode(std::string_view text) {
    auto document = parseJsonText(text);
    if (!document || !document->is_object()) return std::nullopt;
    Bindings bindings;
    for (const auto& [name, list] : document->items()) {
        if (!list.is_array()) return std::nullopt;
        std::vector<KeyCombo> combos;
        combos.reserve(list.size());
        for (const auto& item : list) {
            auto combo = KeyCombo::fromJson(item);
            if (!combo) return std::nullopt;
            combos.push_back(*combo);
        }
        if (auto action = actionNamed(name)) bindings[*action] = std::move(combos);
    }
    return bindings;
}

std::optional<std::string> BindingsCodec::encode(const Bindings& bindings) {
    auto document = nlohmann::json::object();
    for (const auto& [action, combos] : bindings) {
        auto list = nlohmann::json::array();
        for (const auto& combo : combos) {
            if (combo.keyCode > maxKeyCode) return std::nullopt;
            list.push_back(combo.toJson());
        }
        document[std::string(rawValue(action))] = std::move(list);
    }
    return jsonText(document);
}

}  // namespace tessarin
