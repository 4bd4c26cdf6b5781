#include <gtest/gtest.h>

#include "base/file_store.hpp"
#include "base/memory_store.hpp"
#include "settings/preferences.hpp"
#include "support/temp_folder.hpp"

namespace tessarin {
namespace {

using nlohmann::json;

constexpr std::uint32_t controlOption = 0x1800;
constexpr std::uint32_t commandOption = 0x900;

TEST(PreferencesBindings, SavedBindingsUseTheExactKeysAndComeBack) {
    test::TempFolder temp;
    Bindings edited = DefaultShortcuts::make(controlOption);
    edited[Action::retile] = {{15, 0x1900}};
    edited[Action::center] = {};
    {
        FileStore store(temp.path(), "com.tessarin");
        Preferences p(store);
        p.setBindings(edited);
        EXPECT_FALSE(store.hasStoredValue("bindings"));  // setting alone writes nothing
        EXPECT_TRUE(p.saveBindings());
        auto text = store.string("bindings");
        auto document = json::parse(text);
        EXPECT_EQ(document.size(), 40u);
        EXPECT_EQ(document["retile"], json::parse(R"([{"keyCode":15,"modifiers":6400}])"));
        EXPECT_EQ(document["center"], json::array());
        EXPECT_EQ(text.find('\n'), std::string::npos);  // one line, not pretty-printed
    }
    FileStore store(temp.path(), "com.tessarin");
    Preferences p(store);
    EXPECT_EQ(p.bindings(), edited);
}

TEST(PreferencesBindings, UnboundStaysUnboundAndUnknownNamesAreSkipped) {
    MemoryStore store;
    store.set("bindings", R"({"focusLeft": [], "focusleft": [{"keyCode": 1, "modifiers": 0}],
                             "retile": [{"keyCode": 2, "modifiers": 256}], "nothing": []})");
    Preferences p(store);
    auto expected = DefaultShortcuts::make(controlOption);
    expected[Action::focusLeft] = {};
    expected[Action::retile] = {{2, 256}};
    EXPECT_EQ(p.bindings(), expected);
    // Also across a save and a restart, and under another base.
    p.saveBindings();
    Preferences again(store);
    again.setBaseModifier(commandOption);
    Preferences third(store);
    EXPECT_TRUE(third.bindings().at(Action::focusLeft).empty());
    EXPECT_EQ(third.bindings().at(Action::focusRight).front(), (KeyCombo{124, commandOption}));
}

TEST(PreferencesBindings, StoredBindingsThatDoNotDecodeAreIgnoredAsAWhole) {
    // Single combos that do not decode are the key combo's own tests; here, what spoils the
    // document as a whole.
    const std::string documents[] = {
        R"({"focusLeft": [{"keyCode": 4, "modifiers": 256}])",  // truncated
        R"([])",
        R"("focusLeft")",
        R"({"focusLeft": {"keyCode": 4, "modifiers": 256}})",
        R"({"focusLeft": [{"keyCode": 4.0, "modifiers": 256}]})",
        R"({"focusLeft": [null]})",
        // A bad entry under an unknown name spoils the document as well.
        R"({"center": [], "unknown": [{"keyCode": 99999999999999999999}]})",
        std::string(10000, '[') + std::string(10000, ']'),
        "",
    };
    for (const auto& text : documents) {
        MemoryStore store;
        store.set("bindings", text);
        Preferences p(store);
        EXPECT_EQ(p.bindings(), DefaultShortcuts::make(controlOption)) << text.substr(0, 80);
    }
    // The bindings must be text; other kinds are no bindings at all.
    for (const json& value : {json::parse(R"({"focusLeft": []})"), json(5), json(true)}) {
        MemoryStore store;
        store.set("bindings", value);
        Preferences p(store);
        EXPECT_EQ(p.bindings(), DefaultShortcuts::make(controlOption)) << value;
    }
}

TEST(PreferencesBindings, LargeStoredDocumentLoads) {
    json document = json::object();
    json many = json::array();
    for (std::uint32_t i = 0; i < 50000; ++i)
        many.push_back({{"keyCode", i % 65536}, {"modifiers", i}});
    document["cycleWidth"] = many;
    for (int i = 0; i < 20000; ++i)
        document["unknown" + std::to_string(i)] = json::array();
    MemoryStore store;
    store.set("bindings", document.dump());
    Preferences p(store);
    ASSERT_EQ(p.bindings().at(Action::cycleWidth).size(), 50000u);
    EXPECT_EQ(p.bindings().at(Action::cycleWidth).back(), (KeyCombo{49999, 49999}));
    EXPECT_EQ(p.bindings().size(), 39u);
}

TEST(PreferencesBindings, BindingsThatCannotBeStoredLeaveThePreviousValue) {
    MemoryStore store;
    Preferences p(store);
    p.saveBindings();
    const std::string before = store.string("bindings");
    Bindings bad = p.bindings();
    bad[Action::center] = {{70000, 0}};
    p.setBindings(bad);
    EXPECT_FALSE(p.saveBindings());
    EXPECT_EQ(store.string("bindings"), before);
}

TEST(PreferencesBindings, ChangingTheBaseMovesBindingsThatHoldTheOldBase) {
    MemoryStore store;
    Preferences p(store);
    Bindings edited = p.bindings();
    edited[Action::toggleFloat] = {{17, ModifierMask::command}};  // recorded without the base
    edited[Action::retile] = {{15, 0x1000}};                      // only part of the base
    p.setBindings(edited);

    p.setBaseModifier(commandOption);
    EXPECT_EQ(p.baseModifier(), commandOption);
    const auto& b = p.bindings();
    // control + option + shift + H becomes command + option + shift + H.
    EXPECT_EQ(b.at(Action::moveLeft), (std::vector<KeyCombo>{{123, 0xB00}, {4, 0xB00}}));
    EXPECT_EQ(b.at(Action::toggleFloat), (std::vector<KeyCombo>{{17, 0x100}}));
    EXPECT_EQ(b.at(Action::retile), (std::vector<KeyCombo>{{15, 0x1000}}));
    EXPECT_EQ(b.at(Action::focus1), (std::vector<KeyCombo>{{18, commandOption}}));
    // focusFirst was B⌘ ← and stays ⌘⌥ ← once the base holds command itself.
    EXPECT_EQ(b.at(Action::focusFirst), (std::vector<KeyCombo>{{123, commandOption}}));

    // Written at once: a restart reads the new base and the moved bindings.
    EXPECT_EQ(store.integer("baseModifier"), commandOption);
    Preferences restarted(store);
    EXPECT_EQ(restarted.baseModifier(), commandOption);
    EXPECT_EQ(restarted.bindings(), b);
}

TEST(PreferencesBindings, SameBaseChangesAndWritesNothing) {
    MemoryStore store;
    Preferences p(store);
    int notified = 0;
    p.willChange.connect([&](std::string_view) { ++notified; });
    p.setBaseModifier(controlOption);
    EXPECT_EQ(notified, 0);
    EXPECT_FALSE(store.hasStoredValue("bindings"));
    EXPECT_FALSE(store.hasStoredValue("baseModifier"));
}

TEST(PreferencesBindings, RestoringDefaultsUsesTheCurrentBase) {
    MemoryStore store;
    Preferences p(store);
    p.setBaseModifier(commandOption);
    p.setBindings({});
    p.saveBindings();
    p.restoreDefaultShortcuts();
    EXPECT_EQ(p.bindings(), DefaultShortcuts::make(commandOption));
    EXPECT_EQ(Preferences(store).bindings(), DefaultShortcuts::make(commandOption));
}

TEST(PreferencesBindings, ActionsBoundToAComboInCatalogueOrder) {
    MemoryStore store;
    Preferences p(store);
    const KeyCombo arrow{123, controlOption};
    EXPECT_EQ(p.actionsBoundTo(arrow), (std::vector<Action>{Action::focusLeft}));
    EXPECT_TRUE(p.actionsBoundTo({123, 0}).empty());
    Bindings edited = p.bindings();
    edited[Action::retile] = {{1, 0}, arrow};
    edited[Action::center].push_back(arrow);
    p.setBindings(edited);
    EXPECT_EQ(p.actionsBoundTo(arrow),
              (std::vector<Action>{Action::focusLeft, Action::center, Action::retile}));
    // Same key and modifiers both count.
    EXPECT_TRUE(p.actionsBoundTo({4, controlOption | ModifierMask::shift}).size() == 1);
    EXPECT_TRUE(p.actionsBoundTo({controlOption, 123}).empty());
}

}  // namespace
}  // namespace tessarin
