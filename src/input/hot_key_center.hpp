#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "base/main_loop.hpp"
#include "base/signal.hpp"
#include "core/action.hpp"
#include "core/default_shortcuts.hpp"
#include "core/key_combo.hpp"
#include "platform/input.hpp"
#include "settings/preferences.hpp"

namespace tessarin {

// The user's shortcut table as system-wide hot keys: every combination of every action is
// registered under its own id, presses come back as actions. Main loop only.
class HotKeyCenter {
  public:
    // "QLON", first character in the high byte: the signature of every registration.
    static constexpr std::uint32_t kSignature = 0x514C4F4E;

    explicit HotKeyCenter(HotKeys& system);
    ~HotKeyCenter();
    HotKeyCenter(const HotKeyCenter&) = delete;
    HotKeyCenter& operator=(const HotKeyCenter&) = delete;

    // Receives every recognised press.
    std::function<void(Action)> onAction;
    // The table the next registerAll() registers.
    Bindings bindings;
    // Set while the settings window records a shortcut; the owner then does not re-register.
    bool suspended = false;

    // Drops every registration and registers the whole table afresh, ids from 1 in catalogue
    // order; refused combinations end up in failed().
    void registerAll();
    void unregisterAll();
    // Combinations the system refused during the last registerAll(), each once.
    const std::vector<KeyCombo>& failed() const { return failed_; }
    bool handlerInstalled() const { return handlerInstalled_; }
    std::size_t registeredCount() const { return refs_.size(); }
    // A press from the system; unknown ids are swallowed.
    void handlePress(HotKeyID id);

    // Takes the table from the settings and registers it unless suspended, now and after every
    // change of the bindings (read on the next turn of `loop`: observers hear of a change just
    // before it happens).
    void follow(Preferences& prefs, MainLoop& loop);

  private:
    HotKeys& system_;
    bool handlerInstalled_ = false;
    std::vector<KeyCombo> failed_;
    std::vector<HotKeys::Ref> refs_;
    std::map<std::uint32_t, Action> actions_;
    Preferences* followed_ = nullptr;
    std::optional<Signal<std::string_view>::Token> observer_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tessarin
