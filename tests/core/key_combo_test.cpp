#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

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

TEST(KeyNames, SpecialKeysWinOverTheLayout) {
    FixedLayout layout(std::string("x"));
    EXPECT_EQ(KeyNames::name(36, &layout), "↩");
    EXPECT_EQ(KeyNames::name(53, &layout), "⎋");
    EXPECT_EQ(KeyNames::name(122, &layout), "F1");
    EXPECT_EQ(KeyNames::name(111, &layout), "F12");
    EXPECT_EQ(KeyNames::name(121, &layout), "⇟");
    EXPECT_EQ(KeyNames::name(50, &layout), "X");
}

TEST(KeyNames, LayoutTextIsUpperCased) {
    UsKeyboardLayout us;
    EXPECT_EQ(KeyNames::name(0, &us), "A");
    EXPECT_EQ(KeyNames::name(33, &us), "[");
    EXPECT_EQ(KeyNames::name(50, &us), "`");
    EXPECT_EQ(KeyNames::name(82, &us), "0");
    FixedLayout german(std::string("ö"));
    EXPECT_EQ(KeyNames::name(41, &german), "Ö");
    FixedLayout russian(std::string("ф"));
    EXPECT_EQ(KeyNames::name(0, &russian), "Ф");
    FixedLayout greek(std::string("ς"));  // final sigma has no capital of its own here
    EXPECT_EQ(KeyNames::name(0, &greek), "ς");
    FixedLayout czech(std::string("ěš"));
    EXPECT_EQ(KeyNames::name(0, &czech), "ĚŠ");
}

TEST(KeyNames, FallsBackToTheNumber) {
    UsKeyboardLayout us;
    EXPECT_EQ(KeyNames::name(12, nullptr), "#12");
    EXPECT_EQ(KeyNames::name(76, &us), "#76");  // keypad enter types no printable text
    FixedLayout empty(std::string{});
    EXPECT_EQ(KeyNames::name(50, &empty), "#50");
    FixedLayout none(std::nullopt);
    EXPECT_EQ(KeyNames::name(65535, &none), "#65535");
    // Beyond 16 bits no layout is asked: the low bits would name another key.
    FixedLayout any(std::string("a"));
    EXPECT_EQ(KeyNames::name(65536 + 12, &any), "#65548");
}

TEST(KeyNames, MalformedLayoutTextPassesThrough) {
    FixedLayout broken(std::string("\xff\xc3"));
    EXPECT_EQ(KeyNames::name(0, &broken), "\xff\xc3");
    EXPECT_EQ(upperCased("a\xe2\x82"), "A\xe2\x82");
}

TEST(KeyComboFromEvent, KeepsOnlyTheFourModifiers) {
    auto plain = KeyCombo::fromEvent(4, EventFlag::control | EventFlag::option);
    EXPECT_EQ(plain, (KeyCombo{4, control | option}));
    auto caps =
        KeyCombo::fromEvent(4, EventFlag::control | EventFlag::option | EventFlag::capsLock);
    EXPECT_EQ(caps, plain);
    auto noise =
        KeyCombo::fromEvent(4, EventFlag::control | EventFlag::option | EventFlag::function |
                                   EventFlag::numericPad | EventFlag::help | 0xFFFF);
    EXPECT_EQ(noise, plain);
    EXPECT_EQ(KeyCombo::fromEvent(65535, EventFlag::shift | EventFlag::command),
              (KeyCombo{65535, shift | command}));
}

TEST(KeyComboJson, RoundTripsWithTheExactKeys) {
    KeyCombo combo{123, 0x1A00};
    auto json = combo.toJson();
    EXPECT_EQ(json.dump(), R"({"keyCode":123,"modifiers":6656})");
    EXPECT_EQ(KeyCombo::fromJson(nlohmann::json::parse(json.dump())), combo);
    EXPECT_EQ(KeyCombo::fromJson(nlohmann::json{{"keyCode", 0}, {"modifiers", 0}}),
              (KeyCombo{0, 0}));
}

TEST(KeyComboJson, RejectsWhatIsNoCombo) {
    const char* bad[] = {
        R"({"keyCode":12})",
        R"({"modifiers":256})",
        R"({"keyCode":-1,"modifiers":256})",
        R"({"keyCode":65536,"modifiers":256})",
        R"({"keyCode":18446744073709551615,"modifiers":0})",
        R"({"keyCode":12,"modifiers":4294967296})",
        R"({"keyCode":12,"modifiers":-256})",
        R"({"keyCode":12.5,"modifiers":256})",
        R"({"keyCode":1e300,"modifiers":256})",
        R"({"keyCode":"12","modifiers":256})",
        R"({"keyCode":true,"modifiers":256})",
        R"({"keyCode":null,"modifiers":256})",
        R"([12,256])",
        R"("12")",
        R"(null)",
    };
    for (const char* text : bad)
        EXPECT_EQ(KeyCombo::fromJson(nlohmann::json::parse(text)), std::nullopt) << text;
    EXPECT_EQ(KeyCombo::fromJson(nlohmann::json{{"keyCode", -5}, {"modifiers", 0}}), std::nullopt);
    // The largest values that fit are kept.
    EXPECT_EQ(KeyCombo::fromJson(
                  nlohmann::json::parse(R"({"keyCode":65535,"modifiers":4294967295,"extra":[1]})")),
              (KeyCombo{65535, 0xFFFFFFFFu}));
}

TEST(KeyComboHash, EqualCombosHashEqualAndFieldsAreNotInterchangeable) {
    std::hash<KeyCombo> hash;
    EXPECT_EQ(hash(KeyCombo{4, 256}), hash(KeyCombo{4, 256}));
    EXPECT_NE(hash(KeyCombo{4, 256}), hash(KeyCombo{256, 4}));
    EXPECT_NE((KeyCombo{4, 256}), (KeyCombo{256, 4}));
}

}  // namespace
}  // namespace tessarin
