#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "base/paths.hpp"

namespace tessarin {

// Starting Tessarin when the user logs in: an entry in the XDG autostart folder,
// "$XDG_CONFIG_HOME/autostart/tessarin.desktop" (else "~/.config/autostart"). Only an entry
// this class wrote counts as the item; a file of that name from elsewhere is left alone.
class LoginItem {
  public:
    enum class Status {
        disabled,
        enabled,
        // A file of that name that Tessarin did not write: whether it starts anything is the
        // user's business.
        foreign,
    };

    // The line that marks an entry as ours.
    static constexpr std::string_view markerLine = "X-Tessarin-LoginItem=true";

    // `executable` is what the entry starts: the running program, as an absolute path.
    LoginItem(Paths::Environment env, std::filesystem::path executable);

    // None when there is no home folder to find the autostart folder in.
    std::optional<std::filesystem::path> path() const;

    Status status() const;
    // Writes the entry (atomically), replacing whatever file had its name. False when it
    // cannot be written.
    bool registerItem();
    // Removes the entry when it is ours. False only when an entry of ours stays behind.
    bool unregisterItem();

  private:
    Paths::Environment env_;
    std::filesystem::path executable_;
};

}  // namespace tessarin
