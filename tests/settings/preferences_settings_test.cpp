#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/file_store.hpp"
#include "base/memory_store.hpp"
#include "settings/preferences.hpp"
#include "support/temp_folder.hpp"

namespace tessarin {
namespace {

using nlohmann::json;

const std::vector<double> factoryPresets{0.3333333333333333, 0.5, 0.6666666666666666};

void expectFactorySettings(const Preferences& p) {
    EXPECT_EQ(p.gap(), 10.0);
    EXPECT_EQ(p.outerGap(), 10.0);
    EXPECT_EQ(p.defaultWidth(), 0.5);
    EXPECT_FALSE(p.keepOriginalWidth());
    EXPECT_EQ(p.widthPresets(), factoryPresets);
    EXPECT_EQ(p.centerMode(), CenterMode::never);
    EXPECT_EQ(p.placement(), NewWindowPlacement::afterFocused);
    EXPECT_TRUE(p.animate());
    EXPECT_EQ(p.focusWidth(), 0.7);
    EXPECT_EQ(p.focusHeight(), 0.9);
    EXPECT_EQ(p.animationSpeed(), 1.0);
    EXPECT_TRUE(p.gesturesEnabled());
    EXPECT_EQ(p.gestureFingers(), 3);
    EXPECT_EQ(p.gestureSensitivity(), 1.0);
    EXPECT_TRUE(p.naturalSwipe());
    EXPECT_TRUE(p.modifierScroll());
    EXPECT_EQ(p.baseModifier(), 6144u);
    EXPECT_EQ(p.bindings(), DefaultShortcuts::make(0x1800));
    EXPECT_TRUE(p.showIndicator());
    EXPECT_FALSE(p.focusBorder());
    EXPECT_EQ(p.focusBorderWidth(), 3.0);
    EXPECT_FALSE(p.mouseFollowsFocus());
    EXPECT_TRUE(p.rememberLayout());
    EXPECT_TRUE(p.dockingMemory());
    EXPECT_TRUE(p.floatingApps().empty());
    EXPECT_TRUE(p.excludedDisplays().empty());
    EXPECT_FALSE(p.hasCompletedOnboarding());
}

TEST(PreferencesSettings, FreshSystemReadsFactoryValuesAndWritesNothing) {
    test::TempFolder temp;
    FileStore store(temp.path(), "com.tessarin");
    Preferences prefs(store);
    expectFactorySettings(prefs);
    EXPECT_EQ(prefs.presets(), factoryPresets);
    EXPECT_FALSE(store.hasStoredValue("bindings"));
    EXPECT_FALSE(std::filesystem::exists(store.path()));
    // The registered defaults are the table's, every key but the bindings.
    EXPECT_EQ(Preferences::factoryDefaults().size(), 26u);
    EXPECT_EQ(store.integer("baseModifier"), 6144);
    EXPECT_EQ(store.string("placement"), "afterFocused");
}

TEST(PreferencesSettings, EverySetterWritesItsKeyInItsStoredKind) {
    test::TempFolder temp;
    {
        FileStore store(temp.path(), "com.tessarin");
        Preferences p(store);
        p.setGap(4.5);
        p.setOuterGap(0.0);
        p.setDefaultWidth(0.75);
        p.setKeepOriginalWidth(true);
        p.setWidthPresets({0.25, 0.75});
        p.setCenterMode(CenterMode::onOverflow);
        p.setPlacement(NewWindowPlacement::end);
        p.setAnimate(false);
        p.setFocusWidth(0.6);
        p.setFocusHeight(0.8);
        p.setAnimationSpeed(2.0);
        p.setGesturesEnabled(false);
        p.setGestureFingers(4);
        p.setGestureSensitivity(1.5);
        p.setNaturalSwipe(false);
        p.setModifierScroll(false);
        p.setShowIndicator(false);
        p.setFocusBorder(true);
        p.setFocusBorderWidth(5.0);
        p.setMouseFollowsFocus(true);
        p.setRememberLayout(false);
        p.setDockingMemory(false);
        p.setFloatingApps({"com.example.float"});
        p.setExcludedDisplays({"37D8832A-2D66-02CA-B9F7-8F30A301B230"});
        p.setHasCompletedOnboarding(true);
    }
    const json expected = {
        {"gap", 4.5},
        {"outerGap", 0.0},
        {"defaultWidth", 0.75},
        {"keepOriginalWidth", true},
        {"widthPresets", {0.25, 0.75}},
        {"centerMode", "onOverflow"},
        {"placement", "end"},
        {"animate", false},
        {"focusWidth", 0.6},
        {"focusHeight", 0.8},
        {"animationSpeed", 2.0},
        {"gesturesEnabled", false},
        {"gestureFingers", 4},
        {"gestureSensitivity", 1.5},
        {"naturalSwipe", false},
        {"modifierScroll", false},
        {"showIndicator", false},
        {"focusBorder", true},
        {"focusBorderWidth", 5.0},
        {"mouseFollowsFocus", true},
        {"rememberLayout", false},
        {"dockingMemory", false},
        {"floatingApps", {"com.example.float"}},
        {"excludedDisplays", {"37D8832A-2D66-02CA-B9F7-8F30A301B230"}},
        {"hasCompletedOnboarding", true},
    };
    const auto file = json::parse(test::readText(temp.path() / "com.tessarin.json"));
    EXPECT_EQ(file, expected);
    EXPECT_TRUE(file["gestureFingers"].is_number_integer());
    EXPECT_TRUE(file["outerGap"].is_number_float());

    FileStore store(temp.path(), "com.tessarin");
    Preferences p(store);
    EXPECT_EQ(p.gap(), 4.5);
    EXPECT_EQ(p.widthPresets(), (std::vector<double>{0.25, 0.75}));
    EXPECT_EQ(p.centerMode(), CenterMode::onOverflow);
    EXPECT_EQ(p.placement(), NewWindowPlacement::end);
    EXPECT_EQ(p.gestureFingers(), 4);
    EXPECT_FALSE(p.modifierScroll());
    EXPECT_EQ(p.floatingApps(), (std::vector<std::string>{"com.example.float"}));
    EXPECT_TRUE(p.hasCompletedOnboarding());
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
        {{1e308, -3, 0}, {1e308, -3.0, 0.0}},  // taken as stored; the controls limit ranges
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

TEST(PreferencesSettings, ValuesOfTheWrongKindReadAsTheStoreYieldsThem) {
    MemoryStore store;
    store.set("gap", "wide");
    store.set("animate", "yes");
    store.set("gestureFingers", 3.9);
    store.set("gestureSensitivity", 1e300);
    store.set("focusWidth", json::array({0.5}));
    store.set("floatingApps", json::array({"a", 1}));
    store.set("excludedDisplays", "DISPLAY");
    store.set("hasCompletedOnboarding", 1);
    Preferences p(store);
    EXPECT_EQ(p.gap(), 0.0);
    EXPECT_FALSE(p.animate());
    EXPECT_EQ(p.gestureFingers(), 3);
    EXPECT_EQ(p.gestureSensitivity(), 1e300);
    EXPECT_EQ(p.focusWidth(), 0.0);
    EXPECT_TRUE(p.floatingApps().empty());
    EXPECT_TRUE(p.excludedDisplays().empty());
    EXPECT_TRUE(p.hasCompletedOnboarding());
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
