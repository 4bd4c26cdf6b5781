#pragma once

#include <memory>
#include <optional>

#include "core/keyboard_layout.hpp"
#include "engine/engine_hooks.hpp"
#include "input/hot_key_center.hpp"
#include "input/input_tap.hpp"
#include "input/input_tap_delegate.hpp"
#include "input/scroll_tap.hpp"
#include "platform/platform.hpp"
#include "settings/preferences.hpp"

namespace tessarin {

// The engine's input: the swipe and modifier-scroll taps, configured from the settings and
// feeding the engine's continuous input, and what the debug dump reports of them and of the
// hot keys. It outlives the engines it serves (a restart makes a new one); each start hands it
// the engine through configureInput.
class EngineInput : public InputControl, private InputTapDelegate {
  public:
    // `hotKeys` and `layout` only feed the diagnostics. `probe` answers whether the pointer is
    // over a slider or a player; without one every swipe goes ahead.
    EngineInput(const Platform& platform, Preferences& prefs, KeyValueStore& defaults,
                const HotKeyCenter* hotKeys = nullptr, const KeyboardLayout* layout = nullptr,
                InputTap::SliderProbe probe = {});
    ~EngineInput() override;

    void configureInput(WindowManager& engine) override;
    void stopTaps() override;
    bool swipeTapInstalled() const override { return swipe_.installed(); }
    bool scrollTapInstalled() const override { return scroll_.installed(); }
    void startSwipeTap(WindowManager& engine) override;
    void startScrollTap(WindowManager& engine) override;
    std::optional<double> lastDoubleClick() const override { return swipe_.lastDoubleClick(); }
    InputDiagnostics diagnostics() const override;

    InputTap& swipe() { return swipe_; }
    ScrollTap& scroll() { return scroll_; }

    // The scroll tap's modifiers for a base modifier in stored (Carbon) bits: shift is not
    // carried over.
    static std::uint64_t scrollModifiers(std::uint32_t baseModifier);

  private:
    double swipeReferenceWidth() override;
    void inputScroll(double by) override;
    void inputScrollEnded(double velocity) override;

    Preferences& prefs_;
    const HotKeyCenter* hotKeys_;
    const KeyboardLayout* layout_;
    std::weak_ptr<WindowManager> engine_;
    InputTap swipe_;
    ScrollTap scroll_;
};

}  // namespace tessarin
