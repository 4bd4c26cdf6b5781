#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "core/window_id.hpp"

namespace tessarin {

// A remembered window. Window numbers do not survive an application restart, so the bundle
// identifier and title are kept to find the window again.
struct SavedWindow {
    WindowID id = 0;
    std::string bundleID;
    std::string title;

    bool operator==(const SavedWindow&) const = default;
};

// A window that is open now, as handed to the matcher.
struct LiveWindow {
    WindowID id = 0;
    std::string bundleID;
    std::string title;

    bool operator==(const LiveWindow&) const = default;
};

// A remembered column. The active row and the zoom flag are deliberately not kept.
struct SavedColumn {
    std::vector<SavedWindow> windows;
    std::vector<double> heightWeights;
    double widthFraction = 1.0;
    std::optional<double> savedFraction;

    bool operator==(const SavedColumn&) const = default;
};

// How the windows of one monitor setup were arranged, per display identity.
struct SavedArrangement {
    std::map<std::string, std::vector<SavedColumn>> displays;
    std::map<std::string, std::string> displayNames;
    // Seconds since the reference date 2001-01-01 00:00:00 UTC, which is also the stored form.
    double savedAt = 0;

    bool operator==(const SavedArrangement&) const = default;
};

// Seconds between the Unix epoch and the reference date 2001-01-01 00:00:00 UTC.
inline constexpr double kReferenceDateUnixSeconds = 978307200.0;

// The value of `savedAt` for a wall-clock time the caller has read.
inline double secondsSinceReferenceDate(std::chrono::system_clock::time_point time) {
    return std::chrono::duration<double>(time.time_since_epoch()).count() -
           kReferenceDateUnixSeconds;
}

// Stored form: the field names as keys, "savedFraction" only when present. Encoding fails
// (none) when a number is not finite, since JSON cannot carry it. Decoding fails on a missing
// required key, a value of the wrong kind, a non-finite number or an id outside 0..2^32-1;
// other keys are ignored and values are taken as stored.
nlohmann::json toJson(const SavedWindow& window);
std::optional<nlohmann::json> toJson(const SavedColumn& column);
std::optional<nlohmann::json> toJson(const SavedArrangement& arrangement);
std::optional<SavedWindow> savedWindowFromJson(const nlohmann::json& json);
std::optional<SavedColumn> savedColumnFromJson(const nlohmann::json& json);
std::optional<SavedArrangement> savedArrangementFromJson(const nlohmann::json& json);

}  // namespace tessarin
