#include "shell/migration.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "base/file_store.hpp"
#include "base/log.hpp"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

void carrySettings(KeyValueStore& store, const KeyValueStore& former) {
    const std::vector<std::string> keys = former.storedKeys();
    if (keys.empty()) return;
    for (const std::string& key : keys) {
        // A value the user already has here, even one equal to a default, wins.
        if (store.hasStoredValue(key)) continue;
        if (auto value = former.object(key)) store.set(key, *value);
    }
    Log::info("carried over " + std::to_string(keys.size()) + " settings from Quillon");
}

// The copy is made under a temporary name and renamed into place only when complete, so an
// interrupted or failed copy never passes for this application's data.
void carryFolder(const fs::path& current) {
    const fs::path parent = current.parent_path();
    const fs::path former = parent / Migration::formerFolderName;
    std::error_code ignored;
    if (!fs::is_directory(former, ignored)) return;
    // Anything already there, even a dangling link, is this application's to keep.
    if (fs::symlink_status(current, ignored).type() != fs::file_type::not_found) return;

    // Built piecewise: GCC 12 warns falsely about "." + string.
    std::string prefix = current.filename().string();
    prefix.insert(0, 1, '.');
    prefix += ".migrating-";
    // Left by a copy that died before its rename.
    std::error_code listing;
    for (fs::directory_iterator it(parent, listing), end; !listing && it != end;
         it.increment(listing)) {
        if (it->path().filename().string().rfind(prefix, 0) == 0)
            fs::remove_all(it->path(), ignored);
    }
    std::string pattern = (parent / (prefix + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) {
        Log::info("Could not copy the Quillon data folder: no temporary folder beside " +
                  current.string());
        return;
    }
    const fs::path temporary(pattern);
    // Links inside are copied as links, so one pointing outside the folder is not followed;
    // the former folder itself may be a link.
    const auto options = fs::copy_options::recursive | fs::copy_options::copy_symlinks;
    std::error_code error;
    std::error_code failed;
    for (fs::directory_iterator it(former, error), end; !error && !failed && it != end;
         it.increment(error))
        fs::copy(it->path(), temporary / it->path().filename(), options, failed);
    if (failed) error = failed;
    if (!error) fs::permissions(temporary, fs::status(former, error).permissions(), error);
    if (!error) fs::rename(temporary, current, error);
    if (error) {
        fs::remove_all(temporary, ignored);
        Log::info("Could not copy the Quillon data folder to " + current.string() + ": " +
                  error.message());
        return;
    }
    Log::info("copied the Quillon data folder to " + current.string());
}

}  // namespace

void Migration::fromQuillon(const Sources& sources) {
    const std::string marker(markerKey);
    if (sources.store.boolean(marker)) return;
    std::unique_ptr<KeyValueStore> former = sources.openFormer ? sources.openFormer() : nullptr;
    if (former) carrySettings(sources.store, *former);
    if (!sources.dataFolder.empty()) carryFolder(sources.dataFolder);
    sources.store.set(marker, true);
}

void Migration::fromQuillon(const Paths::Environment& env) {
    // Without a home folder there is nothing to carry over, nor anywhere to keep the marker.
    const auto settings = Paths::settingsFolder(env);
    const auto data = Paths::dataFolder(env);
    if (!settings || !data) return;
    // Two copies may start together (a login item and a clicked link) and both migrate before
    // either knows of the other: one waits for the other, then finds the marker set.
    std::error_code ignored;
    fs::create_directories(*settings, ignored);
    const int lock =
        open((*settings / ".migration.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock >= 0) (void)flock(lock, LOCK_EX);
    FileStore store(*settings, std::string(FileStore::applicationDomain));
    fromQuillon({store,
                 [folder = *settings] {
                     return std::make_unique<FileStore>(folder, std::string(formerDomain),
                                                        FileStore::Access::readOnly);
                 },
                 *data});
    if (lock >= 0) close(lock);
}

}  // namespace tessarin
