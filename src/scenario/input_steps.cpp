// The user's hands in a scenario: hot keys, trackpad swipes and wheel scrolls, sent through the
// simulated desktop's input so they reach the engine the way the taps hand them on.
#include <algorithm>
#include <cmath>
#include <sstream>

#include "core/key_combo.hpp"
#include "core/key_names.hpp"
#include "core/keyboard_layout.hpp"
#include "core/modifier_mask.hpp"
#include "input/engine_input.hpp"
#include "scenario/scenario_runner.hpp"

namespace tessarin {

namespace {

struct NamedKey {
    std::string_view name;
    std::uint32_t code;
};
constexpr NamedKey namedKeys[] = {
    {"left", 123},  {"right", 124},  {"down", 125},     {"up", 126},    {"space", 49},
    {"return", 36}, {"tab", 48},     {"escape", 53},    {"delete", 51}, {"home", 115},
    {"end", 119},   {"pageup", 116}, {"pagedown", 121},
};

std::optional<std::uint32_t> keyCode(const std::string& name) {
    const std::string lower = [&] {
        std::string text = name;
        std::ranges::transform(text, text.begin(), [](unsigned char c) { return std::tolower(c); });
        return text;
    }();
    for (const NamedKey& key : namedKeys)
        if (key.name == lower) return key.code;
    // Anything else by the label the settings show for it on a US keyboard ("A", "F5", "=").
    const UsKeyboardLayout layout;
    for (std::uint32_t code = 0; code < 128; ++code)
        if (KeyNames::name(code, &layout) == upperCased(name)) return code;
    return std::nullopt;
}

// "ctrl+opt+right": modifiers in stored bits, then the key. False for a name it does not know.
bool parseCombo(const std::string& text, std::uint32_t& modifiers,
                std::optional<std::uint32_t>& key) {
    std::stringstream parts(text);
    std::string part;
    while (std::getline(parts, part, '+')) {
        if (part == "ctrl" || part == "control") {
            modifiers |= ModifierMask::control;
        } else if (part == "opt" || part == "option" || part == "alt") {
            modifiers |= ModifierMask::option;
        } else if (part == "cmd" || part == "command") {
            modifiers |= ModifierMask::command;
        } else if (part == "shift") {
            modifiers |= ModifierMask::shift;
        } else if (!key && (key = keyCode(part))) {
        } else {
            return false;
        }
    }
    return true;
}

InputEvent gesture(Point at, int fingers, Point position) {
    InputEvent event;
    event.type = InputEventType::gesture;
    event.location = at;
    event.touches =
        std::vector<Touch>(static_cast<std::size_t>(fingers), Touch{position, TouchPhase::moved});
    return event;
}

}  // namespace

ScenarioRunner::Result ScenarioRunner::inputStep(const ScenarioStep& step) {
    sim::SimInput& input = session_.desktop().input();
    const std::string& verb = step.verb;
    if (verb == "three-finger-drag") {
        input.setThreeFingerDrag(step.text(0) == "on");
        return std::nullopt;
    }
    if (verb == "element") {
        // A control inside a window (a slider, a video), for the swipe's probe.
        WindowID id = 0;
        if (Result error = resolveWindow(step.text(0), id)) return error;
        sim::ElementSetup element;
        element.role = *step.textOption("role");
        element.frame = *step.rectOption("frame");
        element.roleDescription = step.textOption("description");
        session_.desktop().addElement(*session_.desktop().element(id), element);
        return std::nullopt;
    }
    if (verb == "key") {
        std::uint32_t modifiers = 0;
        std::optional<std::uint32_t> key;
        if (!parseCombo(step.text(0), modifiers, key) || !key)
            return "unknown key combination \"" + step.text(0) + "\"";
        input.pressKey(*key, modifiers);
        return std::nullopt;
    }
    // The pointer is where the swipe and the scroll happen.
    const Point at = session_.desktop().pointerLocation();
    if (verb == "swipe") {
        // Fingers go down, move `distance` trackpad widths at `velocity` widths per second in
        // frames of 1/60 s (rising by `rise` on the way), and lift.
        const int fingers = static_cast<int>(step.number(0));
        const double distance = *step.numberOption("distance");
        const double velocity =
            std::max(0.01, std::fabs(step.numberOption("velocity").value_or(1)));
        const double rise = step.numberOption("rise").value_or(0);
        const int frames =
            std::max(2, static_cast<int>(std::lround(std::fabs(distance) / velocity * 60)));
        const Point start{0.5, 0.5};
        input.send(gesture(at, fingers, start));
        session_.runPending();
        for (int i = 1; i <= frames; ++i) {
            session_.advance(1.0 / 60);
            const double part = static_cast<double>(i) / frames;
            input.send(gesture(at, fingers, {start.x + distance * part, start.y + rise * part}));
            session_.runPending();
        }
        session_.advance(1.0 / 60);
        input.send(gesture(at, 0, start));
        return std::nullopt;
    }
    if (verb == "wheel") {
        std::uint32_t modifiers = 0;
        std::optional<std::uint32_t> key;
        if (!parseCombo(step.textOption("modifiers").value_or(""), modifiers, key) || key)
            return "modifiers= takes modifier names only, like ctrl+opt";
        InputEvent event;
        event.type = InputEventType::scrollWheel;
        event.location = at;
        event.flags = EngineInput::scrollModifiers(modifiers) |
                      ((modifiers & ModifierMask::shift) ? EventFlags::shift : 0);
        event.continuous = step.has("trackpad");
        event.pointDelta1 = step.number(0);
        if (step.has("ended")) event.scrollPhase = ScrollPhase::ended;
        event.momentumPhase = static_cast<std::int64_t>(step.numberOption("momentum").value_or(0));
        input.send(event);
        return std::nullopt;
    }
    return "unknown step";
}

}  // namespace tessarin
