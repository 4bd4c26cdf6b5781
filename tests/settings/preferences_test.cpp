#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "base/file_store.hpp"
#include "base/log.hpp"
#include "base/memory_store.hpp"
#include "settings/preferences.hpp"
#include "support/temp_folder.hpp"

namespace tessarin {
namespace {

using nlohmann::json;

constexpr std::uint32_t controlOption = 0x1800;
constexpr std::uint32_t commandOption = 0x900;

const std::vector<double> factoryPresets{0.3333333333333333, 0.5, 0.6666666666666666};

TEST(PreferencesSettings, FreshSystemReadsFactoryValuesAndWritesNothingNotEvenNonFinite) {
    test::TempFolder temp;
    FileStore store(temp.path(), "com.tessarin");
    Preferences p(store);
    EXPECT_EQ(p.widthPresets(), factoryPresets);
    EXPECT_EQ(p.presets(), factoryPresets);
    EXPECT_EQ(p.centerMode(), CenterMode::never);
    EXPECT_EQ(p.placement(), NewWindowPlacement::afterFocused);
    EXPECT_EQ(p.gestureFingers(), 3);
    EXPECT_EQ(p.baseModifier(), 6144u);
    EXPECT_EQ(p.bindings(), DefaultShortcuts::make(0x1800));
    EXPECT_FALSE(p.hasCompletedOnboarding());
    EXPECT_FALSE(store.hasStoredValue("bindings"));
    EXPECT_FALSE(std::filesystem::exists(store.path()));
    // The registered defaults are the table's, every key but the bindings.
    EXPECT_EQ(Preferences::factoryDefaults().size(), 26u);

    // Non-finite values are kept in memory but not written.
    p.setGap(6.0);
    p.setGap(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(p.gap()));
    p.setWidthPresets({0.5, std::numeric_limits<double>::infinity()});
    FileStore reopened(temp.path(), "com.tessarin");
    Preferences after(reopened);
    EXPECT_EQ(after.gap(), 6.0);
    EXPECT_EQ(after.widthPresets(), factoryPresets);
}

TEST(PreferencesSettings, EverySetterWritesItsKeyInItsStoredKind) {
    using Set = void (*)(Preferences&, const json&);
    const std::tuple<const char*, json, Set> settings[] = {
        {"gap", 4.5, [](Preferences& p, const json& v) { p.setGap(v); }},
        {"outerGap", 0.0, [](Preferences& p, const json& v) { p.setOuterGap(v); }},
        {"defaultWidth", 0.75, [](Preferences& p, const json& v) { p.setDefaultWidth(v); }},
        {"keepOriginalWidth", true,
         [](Preferences& p, const json& v) { p.setKeepOriginalWidth(v); }},
        {"widthPresets", {0.25, 0.75}, [](Preferences& p, const json& v) { p.setWidthPresets(v); }},
        {"centerMode", "onOverflow",
         [](Preferences& p, const json&) { p.setCenterMode(CenterMode::onOverflow); }},
        {"placement", "end",
         [](Preferences& p, const json&) { p.setPlacement(NewWindowPlacement::end); }},
        {"animate", false, [](Preferences& p, const json& v) { p.setAnimate(v); }},
        {"focusWidth", 0.6, [](Preferences& p, const json& v) { p.setFocusWidth(v); }},
        {"focusHeight", 0.8, [](Preferences& p, const json& v) { p.setFocusHeight(v); }},
        {"animationSpeed", 2.0, [](Preferences& p, const json& v) { p.setAnimationSpeed(v); }},
        {"gesturesEnabled", false, [](Preferences& p, const json& v) { p.setGesturesEnabled(v); }},
        {"gestureFingers", 4, [](Preferences& p, const json& v) { p.setGestureFingers(v); }},
        {"gestureSensitivity", 1.5,
         [](Preferences& p, const json& v) { p.setGestureSensitivity(v); }},
        {"naturalSwipe", false, [](Preferences& p, const json& v) { p.setNaturalSwipe(v); }},
        {"modifierScroll", false, [](Preferences& p, const json& v) { p.setModifierScroll(v); }},
        {"showIndicator", false, [](Preferences& p, const json& v) { p.setShowIndicator(v); }},
        {"focusBorder", true, [](Preferences& p, const json& v) { p.setFocusBorder(v); }},
        {"focusBorderWidth", 5.0, [](Preferences& p, const json& v) { p.setFocusBorderWidth(v); }},
        {"mouseFollowsFocus", true,
         [](Preferences& p, const json& v) { p.setMouseFollowsFocus(v); }},
        {"rememberLayout", false, [](Preferences& p, const json& v) { p.setRememberLayout(v); }},
        {"dockingMemory", false, [](Preferences& p, const json& v) { p.setDockingMemory(v); }},
        {"floatingApps",
         {"com.example.float"},
         [](Preferences& p, const json& v) { p.setFloatingApps(v); }},
        {"excludedDisplays",
         {"37D8832A-2D66-02CA-B9F7-8F30A301B230"},
         [](Preferences& p, const json& v) { p.setExcludedDisplays(v); }},
        {"hasCompletedOnboarding", true,
         [](Preferences& p, const json& v) { p.setHasCompletedOnboarding(v); }},
    };
    test::TempFolder temp;
    json expected = json::object();
    {
        FileStore store(temp.path(), "com.tessarin");
        Preferences p(store);
        for (const auto& [key, value, set] : settings) {
            set(p, value);
            expected[key] = value;
        }
    }
    const auto file = json::parse(test::readText(temp.path() / "com.tessarin.json"));
    EXPECT_EQ(file, expected);
    EXPECT_TRUE(file["gestureFingers"].is_number_integer());
    EXPECT_TRUE(file["outerGap"].is_number_float());

    FileStore store(temp.path(), "com.tessarin");
    Preferences p(store);
    EXPECT_EQ(p.widthPresets(), (std::vector<double>{0.25, 0.75}));
    EXPECT_EQ(p.centerMode(), CenterMode::onOverflow);
    EXPECT_EQ(p.placement(), NewWindowPlacement::end);
    EXPECT_EQ(p.gestureFingers(), 4);
    EXPECT_EQ(p.excludedDisplays(), expected["excludedDisplays"].get<std::vector<std::string>>());
}

TEST(PreferencesSettings, ObserversHearOfAChangeBeforeItHappens) {
    MemoryStore store;
    Preferences p(store);
    std::vector<std::pair<std::string, double>> heard;
    auto token = p.willChange.connect(
        [&](std::string_view key) { heard.emplace_back(std::string(key), p.gap()); });
    p.setGap(20.0);
    p.setAnimate(false);
    p.setBindings({});
    EXPECT_EQ(heard, (std::vector<std::pair<std::string, double>>{
                         {"gap", 10.0}, {"animate", 20.0}, {"bindings", 20.0}}));
    p.willChange.disconnect(token);
    p.setGap(1.0);
    EXPECT_EQ(heard.size(), 3u);
}

TEST(PreferencesSettings, StoredTextsOutsideTheEnumerationsReadAsTheFirstCase) {
    for (const json& value : {json("sometimes"), json("Never"), json("ALWAYS"), json(2),
                              json::array({"always"}), json("")}) {
        MemoryStore store;
        store.set("centerMode", value);
        store.set("placement", value);
        Preferences p(store);
        EXPECT_EQ(p.centerMode(), CenterMode::never) << value;
        EXPECT_EQ(p.placement(), NewWindowPlacement::afterFocused) << value;
    }
    MemoryStore store;
    store.set("centerMode", "always");
    store.set("placement", "end");
    Preferences p(store);
    EXPECT_EQ(p.centerMode(), CenterMode::always);
    EXPECT_EQ(p.placement(), NewWindowPlacement::end);
}

TEST(PreferencesSettings, WidthPresetsFallBackOnlyWhenNotAListOfNumbers) {
    struct Case {
        json stored;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {{0.25, "x"}, factoryPresets},
        {json("0.5"), factoryPresets},
        {json(0.5), factoryPresets},
        {json::object({{"a", 0.5}}), factoryPresets},
        {{0.5, nullptr}, factoryPresets},
        {{0.5, {0.25}}, factoryPresets},
        {{0.25, 0.4}, {0.25, 0.4}},
        {{1e308, -3, 0}, {1.0, 0.25, 0.25}},  // brought into the controls' range
        {json::array(), {}},
    };
    for (const auto& c : cases) {
        MemoryStore store;
        store.set("widthPresets", c.stored);
        Preferences p(store);
        EXPECT_EQ(p.widthPresets(), c.expected) << c.stored;
        if (c.expected.empty()) {
            EXPECT_EQ(p.presets(), (std::vector<double>{0.5}));
        }
    }
}

TEST(PreferencesSettings, BaseModifierThatIsNoMaskReadsAsTheFactoryValue) {
    struct Case {
        json stored;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {json(-1), 6144u},
        {json(-4294967296LL), 6144u},
        {json(4294967296LL), 6144u},
        {json::parse("18446744073709551615"), 6144u},
        {json(1e20), 6144u},
        {json(-0.5), 6144u},
        {json(4294967295LL), 4294967295u},
        {json(2304.0), 2304u},
        {json(0), 0u},
        {json("2304"), 6144u},  // not a number: no mask at all
        {json(true), 6144u},
        {json::array({2304}), 6144u},
    };
    for (const auto& c : cases) {
        MemoryStore store;
        store.set("baseModifier", c.stored);
        Preferences p(store);
        EXPECT_EQ(p.baseModifier(), c.expected) << c.stored;
        EXPECT_EQ(p.bindings(), DefaultShortcuts::make(c.expected)) << c.stored;
    }
}

// A hand-edited file must not reach other applications' windows with absurd values: each
// number is brought into its control's range when read, with one log line per key outside.
TEST(PreferencesSettings, StoredNumbersOutsideTheControlsRangesAreBroughtIntoThem) {
    const std::map<std::string, json> stored{
        {"gap", 1e19},          {"outerGap", -1e308},       {"defaultWidth", 1e306},
        {"focusWidth", 0.1},    {"focusHeight", 0.75},      {"animationSpeed", 0},
        {"gestureFingers", -5}, {"gestureSensitivity", 99}, {"focusBorderWidth", 0.5}};
    MemoryStore store;
    for (const auto& [key, value] : stored)
        store.set(key, value);
    std::vector<std::string> lines;
    Log::setObserver([&](std::string_view line) { lines.emplace_back(line); });
    Preferences p(store);
    Log::setObserver(nullptr);
    EXPECT_EQ((std::vector<double>{p.gap(), p.outerGap(), p.defaultWidth(), p.focusWidth(),
                                   p.focusHeight(), p.animationSpeed(),
                                   static_cast<double>(p.gestureFingers()), p.gestureSensitivity(),
                                   p.focusBorderWidth()}),
              (std::vector<double>{40, 0, 1, 0.4, 0.75, 0.5, 3, 2.5, 1}));
    ASSERT_EQ(lines.size(), 8u);  // focusHeight is inside its range
    EXPECT_EQ(lines[0], "setting gap = 1e+19 is outside 0...40; using 40");
}

TEST(PreferencesBindings, SavedBindingsUseTheExactKeysAndComeBackUnlessUnstorable) {
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
        // Bindings that cannot be stored leave the previous value.
        Bindings bad = edited;
        bad[Action::center] = {{70000, 0}};
        p.setBindings(bad);
        EXPECT_FALSE(p.saveBindings());
        EXPECT_EQ(store.string("bindings"), text);
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

TEST(PreferencesBindings, ChangingTheBaseMovesBindingsThatHoldTheOldBase) {
    MemoryStore store;
    Preferences p(store);
    int notified = 0;
    auto token = p.willChange.connect([&](std::string_view) { ++notified; });
    p.setBaseModifier(controlOption);  // the same base changes and writes nothing
    EXPECT_EQ(notified, 0);
    EXPECT_FALSE(store.hasStoredValue("bindings"));
    EXPECT_FALSE(store.hasStoredValue("baseModifier"));
    p.willChange.disconnect(token);

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

    // Restoring the defaults uses the current base.
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
