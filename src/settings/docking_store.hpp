#pragma once

#include <map>
#include <optional>
#include <string>

#include "base/key_value_store.hpp"
#include "core/saved_arrangement.hpp"

namespace tessarin {

// Every remembered arrangement, one per monitor setup key, kept as JSON text under
// "dockingLayouts". Each call reads or writes the whole collection; nothing is cached, and
// nothing reports an error: a collection that does not decode reads as empty.
class DockingStore {
  public:
    explicit DockingStore(KeyValueStore& store) : store_(store) {}

    std::map<std::string, SavedArrangement> all() const;
    std::optional<SavedArrangement> get(const std::string& setupKey) const;
    // Replaces the stored collection. When the map cannot be encoded nothing is stored, the
    // previous collection stays, and the result is false.
    bool write(const std::map<std::string, SavedArrangement>& arrangements);

    // The setup's name for lists: its display names sorted and joined with " + ".
    static std::string name(const SavedArrangement& of);

    static constexpr const char* kKey = "dockingLayouts";

  private:
    KeyValueStore& store_;
};

}  // namespace tessarin
