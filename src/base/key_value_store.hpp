#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tessarin {

// A per-user store of settings for one domain, with registered defaults, in the manner of the
// platform's user defaults. Values are JSON values; a missing key reads its registered default.
// The typed readers follow the platform: a value of the wrong kind reads 0, false or empty.
class KeyValueStore {
  public:
    virtual ~KeyValueStore() = default;

    // Raw value: the stored one, else the registered default, else none.
    virtual std::optional<nlohmann::json> object(const std::string& key) const = 0;
    // Writes through at once. Setting a value equal to nothing is `remove`.
    virtual void set(const std::string& key, nlohmann::json value) = 0;
    virtual void remove(const std::string& key) = 0;
    // Defaults are kept in memory only and never written.
    virtual void registerDefaults(const nlohmann::json& defaults) = 0;
    virtual bool hasStoredValue(const std::string& key) const = 0;
    // Every key with a stored value, defaults left out; for carrying a whole domain over.
    virtual std::vector<std::string> storedKeys() const = 0;

    bool boolean(const std::string& key) const;
    std::int64_t integer(const std::string& key) const;
    double number(const std::string& key) const;
    std::string string(const std::string& key) const;
    std::vector<std::string> stringArray(const std::string& key) const;
};

}  // namespace tessarin
