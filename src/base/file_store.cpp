#include "base/file_store.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/json_text.hpp"
#include "base/log.hpp"
#include "base/paths.hpp"
#include "base/replace_file.hpp"

namespace tessarin {

namespace {

namespace fs = std::filesystem;

// A settings file this large is not one of ours; refusing it keeps a stray file from
// exhausting memory.
constexpr std::uintmax_t maxFileSize = 64ull << 20;

std::optional<std::string> readFile(const fs::path& path) {
    std::error_code error;
    auto size = fs::file_size(path, error);
    if (error || size > maxFileSize) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return text;
}

}  // namespace

FileStore::FileStore(fs::path folder, std::string domain, Access access)
    : folder_(std::move(folder)),
      domain_(std::move(domain)),
      path_(folder_ / (domain_ + ".json")),
      writable_(access == Access::readWrite) {
    writer_->path = path_;
    load();
}

std::unique_ptr<FileStore> FileStore::inConfigFolder(std::string domain, Access access) {
    auto folder = Paths::settingsFolder(Paths::systemEnvironment());
    if (!folder) return nullptr;
    return std::make_unique<FileStore>(*folder, std::move(domain), access);
}

void FileStore::removeStaleTemporaries() {
    // Left by a write that died before its rename; the document itself is the one to trust.
    const std::string prefix = path_.filename().string() + ".tmp-";
    std::error_code error;
    for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename().string().rfind(prefix, 0) == 0) fs::remove(it->path(), error);
    }
}

void FileStore::load() {
    std::error_code error;
    if (writable_) removeStaleTemporaries();
    // A dangling link counts as no file yet; the first write creates its target.
    if (!fs::exists(fs::status(path_, error))) return;
    auto text = readFile(path_);
    if (!text) return moveAside("could not be read");
    auto document = parseJsonText(*text);
    if (!document) return moveAside("is not valid JSON");
    if (!document->is_object()) return moveAside("does not hold a JSON object");
    for (auto& [key, value] : document->items()) {
        // A null is no value; the key reads its default, as after remove.
        if (!value.is_null()) values_[key] = std::move(value);
    }
}

void FileStore::moveAside(std::string_view reason) {
    std::string name = path_.string();
    if (!writable_) {
        Log::info("Settings file " + name + " " + std::string(reason) +
                  "; using the defaults and leaving the file as it is.");
        return;
    }
    for (int n = 1; n <= 1000; ++n) {
        fs::path aside = name + ".corrupt-" + std::to_string(n);
        std::error_code error;
        if (fs::exists(fs::symlink_status(aside, error))) continue;
        if (::rename(path_.c_str(), aside.c_str()) == 0) {
            Log::info("Settings file " + name + " " + std::string(reason) + "; moved it to " +
                      aside.string() + " and started from the defaults.");
            return;
        }
        break;
    }
    // Writing now would destroy the user's file; keep changes in memory for this session.
    writable_ = false;
    Log::info("Settings file " + name + " " + std::string(reason) +
              " and could not be moved aside; settings will not be saved until it is fixed.");
}

std::optional<nlohmann::json> FileStore::object(const std::string& key) const {
    if (auto it = values_.find(key); it != values_.end()) return *it;
    if (auto it = defaults_.find(key); it != defaults_.end()) return *it;
    return std::nullopt;
}

void FileStore::set(const std::string& key, nlohmann::json value) {
    if (value.is_null()) return remove(key);
    if (!isEncodable(value)) return;
    values_[key] = std::move(value);
    writeThrough();
}

void FileStore::remove(const std::string& key) {
    if (values_.erase(key) > 0) writeThrough();
}

void FileStore::registerDefaults(const nlohmann::json& defaults) {
    if (!defaults.is_object()) return;
    for (const auto& [key, value] : defaults.items())
        defaults_[key] = value;
}

bool FileStore::hasStoredValue(const std::string& key) const {
    return values_.contains(key);
}

std::vector<std::string> FileStore::storedKeys() const {
    std::vector<std::string> keys;
    for (const auto& [key, value] : values_.items())
        keys.push_back(key);
    return keys;
}

void FileStore::writeOn(std::shared_ptr<SerialQueue> queue) {
    queue_ = std::move(queue);
}

void FileStore::writeThrough() {
    if (!writable_) return;
    std::string text = jsonText(values_, 2) + "\n";
    if (!queue_) {
        writer_->write(text);
        return;
    }
    {
        std::lock_guard lock(writer_->mutex);
        const bool queued = writer_->pending.has_value();
        writer_->pending = std::move(text);
        if (queued) return;
    }
    queue_->async([writer = writer_] {
        std::string newest;
        {
            std::lock_guard lock(writer->mutex);
            newest = std::move(*writer->pending);
            writer->pending.reset();
        }
        writer->write(newest);
    });
}

void FileStore::Writer::write(const std::string& text) const {
    // An abandoned write (the test hook) is not a failure to report.
    bool abandoned = false;
    auto failed = replaceFile(path, text, [&](const fs::path& temporary) {
        abandoned = beforeReplace && !beforeReplace(temporary);
        return !abandoned;
    });
    if (!failed || abandoned) return;
    Log::info("Could not write settings file " + path.string() + ": " + *failed + " failed (" +
              std::strerror(errno) + ").");
}

}  // namespace tessarin
