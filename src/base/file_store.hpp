#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "base/key_value_store.hpp"
#include "base/serial_queue.hpp"

namespace tessarin {

// A key-value store kept as one JSON object per domain, in the file "<domain>.json" of a
// folder. Every change is written through at once and atomically: a reader, or a crash, sees
// either the old document or the new one, never part of one. A file that cannot be read as a
// JSON object is moved aside, never overwritten, and the store starts from its defaults.
class FileStore : public KeyValueStore {
  public:
    static constexpr std::string_view applicationDomain = "com.tessarin";

    // A read-only store leaves the file alone: changes live in memory only and an unreadable
    // file stays where it is. For reading another program's domain.
    enum class Access { readWrite, readOnly };

    FileStore(std::filesystem::path folder, std::string domain, Access access = Access::readWrite);

    // A store of `domain` in the per-user configuration folder; null when there is no home
    // folder to put it in.
    static std::unique_ptr<FileStore> inConfigFolder(std::string domain,
                                                     Access access = Access::readWrite);

    std::optional<nlohmann::json> object(const std::string& key) const override;
    // A value with a non-finite number or absurd nesting cannot be written and is ignored.
    void set(const std::string& key, nlohmann::json value) override;
    void remove(const std::string& key) override;
    void registerDefaults(const nlohmann::json& defaults) override;
    bool hasStoredValue(const std::string& key) const override;
    std::vector<std::string> storedKeys() const override;

    const std::filesystem::path& path() const { return path_; }
    // False for a read-only store and after the unreadable file could not be moved aside.
    bool writable() const { return writable_; }

    // Called once the temporary file is complete and synced, just before it replaces the
    // document. Returning false abandons the write at that point, as a crash there would:
    // the temporary file stays and the document is not replaced. For tests.
    using BeforeReplace = std::function<bool(const std::filesystem::path& temporary)>;
    void setBeforeReplace(BeforeReplace hook) { writer_->beforeReplace = std::move(hook); }

    // From now on the file is written on `queue`, so a caller never waits for the disk (a
    // write with its sync can take milliseconds); reads still see every change at once, and
    // changes that pile up behind a slow write go out as one. Null writes on the caller's
    // thread again. Whoever owns the queue drains it before the process ends.
    void writeOn(std::shared_ptr<SerialQueue> queue);

  private:
    void load();
    void removeStaleTemporaries();
    void moveAside(std::string_view reason);
    void writeThrough();

    // What a write needs, shared with the queue that runs it.
    struct Writer {
        std::filesystem::path path;
        BeforeReplace beforeReplace;
        std::mutex mutex;
        // The newest text not yet written; set while a write is queued.
        std::optional<std::string> pending;
        void write(const std::string& text) const;
    };

    std::filesystem::path folder_;
    std::string domain_;
    std::filesystem::path path_;
    bool writable_;
    nlohmann::json values_ = nlohmann::json::object();
    nlohmann::json defaults_ = nlohmann::json::object();
    std::shared_ptr<Writer> writer_ = std::make_shared<Writer>();
    std::shared_ptr<SerialQueue> queue_;
};

}  // namespace tessarin
