#pragma once

#include <map>

#include "base/key_value_store.hpp"

namespace tessarin {

// A store that lives only in memory, for tests.
class MemoryStore : public KeyValueStore {
  public:
    std::optional<nlohmann::json> object(const std::string& key) const override;
    void set(const std::string& key, nlohmann::json value) override;
    void remove(const std::string& key) override;
    void registerDefaults(const nlohmann::json& defaults) override;
    bool hasStoredValue(const std::string& key) const override;
    std::vector<std::string> storedKeys() const override;

  private:
    std::map<std::string, nlohmann::json> values_;
    std::map<std::string, nlohmann::json> defaults_;
};

}  // namespace tessarin
