#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include "base/key_value_store.hpp"
#include "base/paths.hpp"

namespace tessarin {

// Carries a user of the former product, Quillon, over once: its settings into keys this
// application has no value for, and its data folder when this application has none yet. Runs
// at every launch and does its work at most once (the marker below). Never fails: what cannot
// be carried over stays behind, and the former product's files are only ever read.
struct Migration {
    // Boolean in this application's own settings domain; true once the migration ran.
    static constexpr std::string_view markerKey = "migratedFromQuillon";
    // The former settings domain, a file in the same settings folder.
    static constexpr std::string_view formerDomain = "app.quillon.mac";
    // The former data folder, beside this application's data folder.
    static constexpr std::string_view formerFolderName = "Quillon";

    struct Sources {
        // This application's own domain: the store Preferences uses.
        KeyValueStore& store;
        // Opens the former domain, read only; called only when the migration runs, so a
        // second launch reads nothing. Null, or a null store, when there is none.
        std::function<std::unique_ptr<KeyValueStore>()> openFormer;
        // This application's data folder (".../Tessarin"); the former one is its sibling.
        std::filesystem::path dataFolder;
    };

    static void fromQuillon(const Sources& sources);
    // The user's folders after `env`, this application's domain opened as a FileStore of its
    // own for the duration of the call. Call it before Preferences::shared() is first used:
    // Preferences reads every setting once, and would miss what was carried over.
    static void fromQuillon(const Paths::Environment& env);
};

}  // namespace tessarin
