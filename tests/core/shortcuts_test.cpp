#include <gtest/gtest.h>

#include <set>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "core/action.hpp"
#include "core/default_shortcuts.hpp"
#include "core/key_combo.hpp"
#include "core/key_names.hpp"
#include "core/keyboard_layout.hpp"

namespace tessarin {
namespace {

constexpr std::uint32_t control = ModifierMask::control;
constexpr std::uint32_t option = ModifierMask::option;
constexpr std::uint32_t shift = ModifierMask::shift;
constexpr std::uint32_t command = ModifierMask::command;

// A layout that types given text for every key, as a non-US layout would.
class FixedLayout : public KeyboardLayout {
  public:
    explicit FixedLayout(std::optional<std::string> text) : text_(std::move(text)) {}
    std::optional<std::string> character(std::uint16_t) const override { return text_; }

  private:
    std::optional<std::string> text_;
};

TEST(KeyComboDisplay, ModifierSymbolsInFixedOrderThenKey) {
    UsKeyboardLayout us;
    EXPECT_EQ((KeyCombo{12, control | command}).display(&us), "⌃⌘Q");
    EXPECT_EQ((KeyCombo{123, control | option}).display(&us), "⌃⌥←");
    EXPECT_EQ((KeyCombo{49, 0}).display(&us), "Space");
    EXPECT_EQ((KeyCombo{4, command | shift | option | control}).display(&us), "⌃⌥⇧⌘H");
    EXPECT_EQ((KeyCombo{0, shift}).display(&us), "⇧A");
    // Bits that are no modifier are not shown.
    EXPECT_EQ((KeyCombo{4, 0x10000u | 0x1u}).display(&us), "H");
}

// Special keys win over the layout; layout text is upper-cased; otherwise the number.
TEST(KeyNames, SpecialKeysThenLayoutTextThenTheNumber) {
    UsKeyboardLayout us;
    FixedLayout x(std::string("x")), empty(std::string{}), none(std::nullopt);
    FixedLayout german(std::string("ö")), greek(std::string("ς")), czech(std::string("ěš")),
        broken(std::string("\xff\xc3"));
    struct Case {
        std::uint32_t key;
        const KeyboardLayout* layout;
        std::string name;
    };
    const Case cases[] = {
        {36, &x, "↩"},
        {111, &x, "F12"},
        {50, &x, "X"},
        {33, &us, "["},
        {82, &us, "0"},
        {41, &german, "Ö"},
        {0, &greek, "ς"},  // final sigma has no capital of its own here
        {0, &czech, "ĚŠ"},
        {0, &broken, "\xff\xc3"},  // malformed text passes through
        {12, nullptr, "#12"},
        {76, &us, "#76"},  // keypad enter types no printable text
        {50, &empty, "#50"},
        {65535, &none, "#65535"},
        {65536 + 12, &x, "#65548"},  // beyond 16 bits the low bits would name another key
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyNames::name(c.key, c.layout), c.name) << c.key << " " << c.name;
    EXPECT_EQ(upperCased("a\xe2\x82"), "A\xe2\x82");
}

TEST(KeyComboFromEvent, KeepsOnlyTheFourModifiers) {
    auto noise =
        KeyCombo::fromEvent(4, EventFlag::control | EventFlag::option | EventFlag::capsLock |
                                   EventFlag::function | EventFlag::numericPad | 0xFFFF);
    EXPECT_EQ(noise, (KeyCombo{4, control | option}));
    EXPECT_EQ(KeyCombo::fromEvent(65535, EventFlag::shift | EventFlag::command),
              (KeyCombo{65535, shift | command}));
}

TEST(KeyComboJson, RoundTripsWithTheExactKeysAndRejectsWhatIsNoCombo) {
    using nlohmann::json;
    KeyCombo combo{123, 0x1A00};
    EXPECT_EQ(combo.toJson().dump(), R"({"keyCode":123,"modifiers":6656})");
    EXPECT_EQ(KeyCombo::fromJson(json::parse(combo.toJson().dump())), combo);
    // Integers built in code are signed.
    EXPECT_EQ(KeyCombo::fromJson(json{{"keyCode", 0}, {"modifiers", 0}}), (KeyCombo{0, 0}));
    // The largest values that fit are kept.
    EXPECT_EQ(KeyCombo::fromJson(json::parse(R"({"keyCode":65535,"modifiers":4294967295,"x":1})")),
              (KeyCombo{65535, 0xFFFFFFFFu}));

    auto parsed = [](const std::string& keyCode, const std::string& modifiers) {
        return KeyCombo::fromJson(
            json::parse(R"({"keyCode":)" + keyCode + R"(,"modifiers":)" + modifiers + "}"));
    };
    for (const char* keyCode :
         {"-1", "65536", "18446744073709551615", "12.5", "4.0", "1e300", "\"12\"", "true", "null"})
        EXPECT_EQ(parsed(keyCode, "256"), std::nullopt) << keyCode;
    for (const char* modifiers : {"4294967296", "-256"})
        EXPECT_EQ(parsed("12", modifiers), std::nullopt) << modifiers;
    for (const char* text :
         {R"({"keyCode":12})", R"({"modifiers":256})", "[12,256]", "\"12\"", "null"})
        EXPECT_EQ(KeyCombo::fromJson(json::parse(text)), std::nullopt) << text;
}

TEST(ActionCatalogue, NamesRoundTripAndAreMatchedExactly) {
    std::set<std::string_view> names;
    for (Action action : allActions()) {
        auto name = rawValue(action);
        EXPECT_TRUE(names.insert(name).second) << name;
        EXPECT_EQ(actionNamed(name), action) << name;
        EXPECT_FALSE(title(action).empty()) << name;
    }
    EXPECT_EQ(names.size(), 40u);
    for (std::string_view bad :
         std::initializer_list<std::string_view>{"focusleft", "FocusLeft", " focusLeft", "focus10",
                                                 "", std::string_view("focus1\0x", 8)})
        EXPECT_EQ(actionNamed(bad), std::nullopt) << bad;
}

TEST(ActionCatalogue, SectionsAndIndicatorFollowTheCatalogue) {
    std::vector<std::string_view> move;
    int indicators = 0;
    for (Action action : allActions()) {
        if (group(action) == ActionGroup::move) move.push_back(rawValue(action));
        indicators += showsIndicator(action);
    }
    // sendToNextDisplay sits late in the catalogue but belongs to the move section.
    EXPECT_EQ(move,
              (std::vector<std::string_view>{"moveLeft", "moveRight", "moveUp", "moveDown",
                                             "moveToFirst", "moveToLast", "sendToNextDisplay"}));
    // All 22 focus and move actions, plus cycleWidth, fullWidth and center.
    EXPECT_EQ(indicators, 25);
    EXPECT_FALSE(showsIndicator(Action::cycleWidthBack));
    EXPECT_EQ(title(Action::focus4), "Jump to window 4");
}

// Under a base without command or shift no two actions share a combo; with command in the base,
// it is not added twice, so focusFirst (B⌘ ←) equals focusLeft's arrow combo.
TEST(DefaultShortcuts, BindEveryActionButRetileUnderEveryBaseWithoutClashes) {
    for (std::uint32_t base : {0x1800u, 0x900u, 0u, 0x1B00u}) {
        auto map = DefaultShortcuts::make(base);
        EXPECT_EQ(map.size(), 39u);
        EXPECT_FALSE(map.contains(Action::retile));
        EXPECT_EQ(map[Action::moveDown].size(), 2u);
        std::unordered_map<KeyCombo, Action> owner;
        for (const auto& [action, combos] : map) {
            EXPECT_FALSE(combos.empty()) << rawValue(action);
            for (const auto& combo : combos) {
                EXPECT_EQ(combo.modifiers & base, base) << rawValue(action);
                auto [it, inserted] = owner.emplace(combo, action);
                EXPECT_TRUE(inserted || (base & (command | shift)))
                    << rawValue(action) << " clashes with " << rawValue(it->second);
            }
        }
    }
    const std::uint32_t b = 0x1800;
    auto map = DefaultShortcuts::make(b);
    EXPECT_EQ(map[Action::moveDown], (std::vector<KeyCombo>{{125, b | shift}, {38, b | shift}}));
    EXPECT_EQ(map[Action::moveToFirst], (std::vector<KeyCombo>{{123, b | command | shift}}));
    EXPECT_EQ(map[Action::focus6], (std::vector<KeyCombo>{{22, b}}));

    map = DefaultShortcuts::make(command | shift);
    EXPECT_EQ(map[Action::focusFirst].front(), map[Action::focusLeft].front());
    EXPECT_EQ(map[Action::moveToLast].front(), (KeyCombo{124, command | shift}));

    // Every key code of the factory table, read back as the keys a user presses.
    const UsKeyboardLayout us;
    std::set<std::string> keys;
    for (const auto& [action, combos] : DefaultShortcuts::make(0)) {
        for (const KeyCombo& combo : combos)
            keys.insert(KeyCombo{combo.keyCode, 0}.display(&us));
    }
    std::string labels;
    for (const std::string& key : keys)
        labels += key + " ";
    EXPECT_EQ(labels, "- 0 1 2 3 4 5 6 7 8 9 = C F H J K L N Q R Space T Z [ ] ← ↑ → ↓ ");
}

}  // namespace
}  // namespace tessarin
