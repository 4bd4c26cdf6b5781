#include <gtest/gtest.h>

#include <map>
#include <random>

#include "base/file_store.hpp"
#include "base/log.hpp"
#include "base/memory_store.hpp"
#include "settings/preferences.hpp"
#include "support/seed.hpp"
#include "support/temp_folder.hpp"

namespace tessarin {
namespace {

using nlohmann::json;

constexpr std::uint32_t controlOption = 0x1800;
constexpr std::uint32_t commandOption = 0x900;

const std::vector<double> factoryPresets{0.3333333333333333, 0.5, 0.6666666666666666};

TEST(PreferencesSettings, FreshSystemReadsFactoryValuesAndWritesNothing) {
    test::TempFolder temp;
    FileStore store(temp.path(), "com.tessarin");
    Preferences p(store);
    EXPECT_EQ(p.widthPresets(), factoryPresets);
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
}

TEST(PreferencesSettings, EverySetterTellsObserversThenWritesItsKeyInItsStoredKind) {
    using Set = void (*)(Preferences&, const json&);
#define SET(Name) [](Preferences& p, const json& v) { p.set##Name(v); }
    const std::tuple<const char*, json, Set> settings[] = {
        {"gap", 4.5, SET(Gap)},
        {"outerGap", 12.0, SET(OuterGap)},
        {"defaultWidth", 0.75, SET(DefaultWidth)},
        {"keepOriginalWidth", true, SET(KeepOriginalWidth)},
        {"widthPresets", json::array({0.25, 0.75}), SET(WidthPresets)},
        {"centerMode", "onOverflow",
         [](Preferences& p, const json&) { p.setCenterMode(CenterMode::onOverflow); }},
        {"placement", "end",
         [](Preferences& p, const json&) { p.setPlacement(NewWindowPlacement::end); }},
        {"animate", false, SET(Animate)},
        {"focusWidth", 0.6, SET(FocusWidth)},
        {"focusHeight", 0.8, SET(FocusHeight)},
        {"animationSpeed", 2.0, SET(AnimationSpeed)},
        {"gesturesEnabled", false, SET(GesturesEnabled)},
        {"gestureFingers", 4, SET(GestureFingers)},
        {"gestureSensitivity", 1.5, SET(GestureSensitivity)},
        {"naturalSwipe", false, SET(NaturalSwipe)},
        {"modifierScroll", false, SET(ModifierScroll)},
        {"showIndicator", false, SET(ShowIndicator)},
        {"focusBorder", true, SET(FocusBorder)},
        {"focusBorderWidth", 5.0, SET(FocusBorderWidth)},
        {"mouseFollowsFocus", true, SET(MouseFollowsFocus)},
        {"rememberLayout", false, SET(RememberLayout)},
        {"dockingMemory", false, SET(DockingMemory)},
        {"floatingApps", json::array({"com.example.float"}), SET(FloatingApps)},
        {"excludedDisplays", json::array({"37D8832A-2D66-02CA-B9F7-8F30A301B230"}),
         SET(ExcludedDisplays)},
        {"hasCompletedOnboarding", true, SET(HasCompletedOnboarding)},
    };
#undef SET
    test::TempFolder temp;
    json expected = json::object();
    {
        FileStore store(temp.path(), "com.tessarin");
        Preferences p(store);
        // Observers hear of each change before it happens.
        std::vector<std::string> heard;
        double gapHeard = -1;
        p.willChange.connect([&](std::string_view key) {
            heard.emplace_back(key);
            if (key == "gap") gapHeard = p.gap();
        });
        for (const auto& [key, value, set] : settings) {
            set(p, value);
            expected[key] = value;
            EXPECT_EQ(heard.back(), key);
        }
        EXPECT_EQ(gapHeard, 10.0);
        p.setBindings({});
        EXPECT_EQ(heard.back(), "bindings");
        EXPECT_EQ(heard.size(), std::size(settings) + 1);
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
    EXPECT_TRUE(p.focusBorder() && p.hasCompletedOnboarding());
    EXPECT_EQ(p.gestureSensitivity(), 1.5);
    EXPECT_EQ(p.outerGap(), 12.0);
}

TEST(PreferencesSettings, WidthPresetsFallBackOnlyWhenNotAListOfNumbers) {
    std::vector<std::pair<json, std::vector<double>>> cases = {
        {{0.25, 0.4}, {0.25, 0.4}},
        {{1e308, -3, 0}, {1.0, 0.25, 0.25}},  // brought into the controls' range
        {json::array(), {}}};
    for (json bad : {json{0.25, "x"}, json("0.5"), json(0.5), json::object({{"a", 0.5}}),
                     json{0.5, nullptr}, json{0.5, {0.25}}})
        cases.emplace_back(bad, factoryPresets);
    for (const auto& [stored, expected] : cases) {
        MemoryStore store;
        store.set("widthPresets", stored);
        Preferences p(store);
        EXPECT_EQ(p.widthPresets(), expected) << stored;
        EXPECT_EQ(p.presets(), expected.empty() ? std::vector<double>{0.5} : expected);
    }
}

TEST(PreferencesSettings, BaseModifierThatIsNoMaskReadsAsTheFactoryValue) {
    // Kept up to the top of the 32-bit range, also from a whole double.
    std::vector<std::pair<json, std::uint32_t>> cases = {
        {4294967295LL, 4294967295u}, {2304.0, 2304u}, {0, 0u}};
    // Negative, wider than 32 bits, fractional or not a number at all: no mask.
    for (json bad :
         {json(-1), json(-4294967296LL), json(4294967296LL), json::parse("18446744073709551615"),
          json(1e20), json(-0.5), json("2304"), json(true), json::array({2304})})
        cases.emplace_back(bad, 6144u);
    for (const auto& [stored, expected] : cases) {
        MemoryStore store;
        store.set("baseModifier", stored);
        Preferences p(store);
        EXPECT_EQ(p.baseModifier(), expected) << stored;
        EXPECT_EQ(p.bindings(), DefaultShortcuts::make(expected)) << stored;
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
    store.set("centerMode", "ALWAYS");  // names no case: the first one
    store.set("placement", 2);
    std::vector<std::string> lines;
    Log::setObserver([&](std::string_view line) { lines.emplace_back(line); });
    Preferences p(store);
    Log::setObserver(nullptr);
    EXPECT_EQ((std::vector<double>{p.gap(), p.outerGap(), p.defaultWidth(), p.focusWidth(),
                                   p.focusHeight(), p.animationSpeed(),
                                   static_cast<double>(p.gestureFingers()), p.gestureSensitivity(),
                                   p.focusBorderWidth()}),
              (std::vector<double>{40, 0, 1, 0.4, 0.75, 0.5, 3, 2.5, 1}));
    EXPECT_EQ(p.centerMode(), CenterMode::never);
    EXPECT_EQ(p.placement(), NewWindowPlacement::afterFocused);
    ASSERT_EQ(lines.size(), 8u);  // focusHeight is inside its range
    EXPECT_EQ(lines[0], "setting gap = 1e+19 is outside 0...40; using 40");

    store.set("defaultWidth", 0.1);  // and the low end of a range
    EXPECT_EQ(Preferences(store).defaultWidth(), 0.25);
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

// An empty list across a restart and a base change is the saved-bindings and base tests' case.
TEST(PreferencesBindings, UnboundStaysUnboundAndUnknownNamesAreSkipped) {
    MemoryStore store;
    store.set("bindings", R"({"focusLeft": [], "focusleft": [{"keyCode": 1, "modifiers": 0}],
                             "retile": [{"keyCode": 2, "modifiers": 256}], "nothing": []})");
    Preferences p(store);
    auto expected = DefaultShortcuts::make(controlOption);
    expected[Action::focusLeft] = {};
    expected[Action::retile] = {{2, 256}};
    EXPECT_EQ(p.bindings(), expected);
}

TEST(PreferencesBindings, StoredBindingsThatDoNotDecodeAreIgnoredAsAWhole) {
    // Single combos that do not decode are the key combo's own tests; here, what spoils the
    // document as a whole.
    const json documents[] = {
        R"({"focusLeft": [{"keyCode": 4, "modifiers": 256}])",  // truncated
        R"([])",
        R"({"focusLeft": {"keyCode": 4, "modifiers": 256}})",
        R"({"focusLeft": [{"keyCode": 4.0, "modifiers": 256}]})",
        // A bad entry under an unknown name spoils the document as well.
        R"({"center": [], "unknown": [{"keyCode": 99999999999999999999}]})",
        // The bindings must be text; other kinds are no bindings at all.
        json::parse(R"({"focusLeft": []})"),
        5,
    };
    for (const json& value : documents) {
        MemoryStore store;
        store.set("bindings", value);
        Preferences p(store);
        EXPECT_EQ(p.bindings(), DefaultShortcuts::make(controlOption))
            << value.dump().substr(0, 80);
    }
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

// Damages JSON text the way hand edits and torn copies do: cut it short, drop or insert
// characters, swap numbers for extreme ones, nest it.
std::string mutate(std::string text, std::mt19937_64& random) {
    // clang-format off
    static const std::string pieces[] = {"{", "}", "[", "]", ",", ":", "\"", "-", "1e999", "-1",
        "65536", "4294967296", "18446744073709551616", "0.5", "null", "true", "\"focusLeft\"",
        "\"x\"", "\\", "\xff"};
    // clang-format on
    int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
        std::size_t at = random() % text.size();
        const auto kind = random() % 5;
        if (kind == 0) text.resize(at);
        if (kind == 1) text.erase(at, 1 + random() % 8);
        if (kind == 2) text.insert(at, pieces[random() % std::size(pieces)]);
        if (kind == 3) text = "[" + text + "]";
        if (kind == 4) text.insert(at, text.substr(at, random() % 64));
    }
    return text;
}

void expectSoundBindings(const Preferences& p) {
    const Bindings factory = DefaultShortcuts::make(p.baseModifier());
    for (const auto& [action, combos] : p.bindings()) {
        // Every action comes from the catalogue and no stored key code exceeds 16 bits.
        EXPECT_TRUE(actionNamed(rawValue(action)).has_value());
        for (const auto& combo : combos)
            EXPECT_LE(combo.keyCode, maxKeyCode);
    }
    for (const auto& [action, combos] : factory)
        EXPECT_TRUE(p.bindings().contains(action));
}

TEST(PreferencesFuzz, DamagedBindingsNeverBreakLoading) {
    std::mt19937_64 random(test::seed("PreferencesFuzz.DamagedBindingsNeverBreakLoading"));
    Bindings sample = DefaultShortcuts::make(0x1800);
    sample[Action::retile] = {{15, 0x100}};
    sample[Action::center] = {};
    MemoryStore seedStore;
    Preferences writer(seedStore);
    writer.setBindings(sample);
    writer.saveBindings();
    const std::string valid = seedStore.string("bindings");

    const int rounds = test::longRun() ? 100000 : 1000;
    for (int i = 0; i < rounds; ++i) {
        MemoryStore store;
        store.set("bindings", mutate(valid, random));
        Preferences p(store);
        expectSoundBindings(p);
        // Whatever was loaded saves and loads back unchanged.
        ASSERT_TRUE(p.saveBindings());
        Preferences again(store);
        ASSERT_EQ(again.bindings(), p.bindings()) << store.string("bindings");
    }
}

TEST(PreferencesFuzz, DamagedSettingsFileIsReadOrKeptAside) {
    std::mt19937_64 random(test::seed("PreferencesFuzz.DamagedSettingsFileIsReadOrKeptAside"));
    test::TempFolder temp;
    const auto file = temp.path() / "com.tessarin.json";
    const auto aside = temp.path() / "com.tessarin.json.corrupt-1";
    {
        FileStore store(temp.path(), "com.tessarin");
        Preferences p(store);
        p.setWidthPresets({0.25, 0.5});
        p.setBaseModifier(0x900);
        p.setFloatingApps({"com.example.a"});
        p.setCenterMode(CenterMode::always);
    }
    const std::string valid = test::readText(file);

    const int rounds = test::longRun() ? 20000 : 300;
    for (int i = 0; i < rounds; ++i) {
        const std::string damaged = mutate(valid, random);
        test::writeText(file, damaged);
        FileStore store(temp.path(), "com.tessarin");
        Preferences p(store);
        expectSoundBindings(p);
        if (std::filesystem::exists(aside)) {
            // Not readable: kept byte for byte, and every setting at its factory value.
            ASSERT_EQ(test::readText(aside), damaged);
            EXPECT_EQ(p.baseModifier(), 0x1800u);
            EXPECT_EQ(p.centerMode(), CenterMode::never);
            std::filesystem::remove(aside);
        } else {
            ASSERT_EQ(test::readText(file), damaged);  // reading never rewrites
        }
    }
}

}  // namespace
}  // namespace tessarin
