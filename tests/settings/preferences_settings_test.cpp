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

const std::vector<double> factoryPresets{0.3333333333333333, 0.5, 0.6666666666666666};

TEST(PreferencesSettings, FreshSystemReadsFactoryValuesAndWritesNothing) {
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
    }
    MemoryStore store;
    store.set("widthPresets", json::array());
    Preferences p(store);
    EXPECT_EQ(p.presets(), (std::vector<double>{0.5}));
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

TEST(PreferencesSettings, NonFiniteValuesAreKeptInMemoryButNotWritten) {
    test::TempFolder temp;
    FileStore store(temp.path(), "com.tessarin");
    Preferences p(store);
    p.setGap(6.0);
    p.setGap(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(p.gap()));
    p.setWidthPresets({0.5, std::numeric_limits<double>::infinity()});
    FileStore reopened(temp.path(), "com.tessarin");
    Preferences after(reopened);
    EXPECT_EQ(after.gap(), 6.0);
    EXPECT_EQ(after.widthPresets(), factoryPresets);
}

}  // namespace
}  // namespace tessarin
