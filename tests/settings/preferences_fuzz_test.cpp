#include <gtest/gtest.h>

#include <random>

#include "base/file_store.hpp"
#include "base/memory_store.hpp"
#include "settings/preferences.hpp"
#include "support/seed.hpp"
#include "support/temp_folder.hpp"

namespace tessarin {
namespace {

using nlohmann::json;

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
        switch (random() % 5) {
            case 0:
                text.resize(at);
                break;
            case 1:
                text.erase(at, 1 + random() % 8);
                break;
            case 2:
                text.insert(at, pieces[random() % std::size(pieces)]);
                break;
            case 3:
                text = "[" + text + "]";
                break;
            default:
                text.insert(at, text.substr(at, random() % 64));
                break;
        }
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
