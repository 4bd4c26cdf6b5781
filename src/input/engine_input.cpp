#include "input/engine_input.hpp"

#include "core/modifier_mask.hpp"
#include "engine/window_manager.hpp"

namespace tessarin {

EngineInput::EngineInput(const Platform& platform, Preferences& prefs, KeyValueStore& defaults,
                         const HotKeyCenter* hotKeys, const KeyboardLayout* layout,
                         InputTap::SliderProbe probe)
    : prefs_(prefs),
      hotKeys_(hotKeys),
      layout_(layout),
      swipe_(platform.inputEvents, platform.mainLoop, platform.clock, defaults,
             platform.queues.queue("com.tessarin.slider-hit-test"), std::move(probe)),
      scroll_(platform.inputEvents, platform.mainLoop) {
    swipe_.setDelegate(this);
    scroll_.setDelegate(this);
}

EngineInput::~EngineInput() {
    swipe_.stop();
    scroll_.stop();
}

std::uint64_t EngineInput::scrollModifiers(std::uint32_t baseModifier) {
    std::uint64_t flags = 0;
    if (baseModifier & ModifierMask::control) flags |= EventFlags::control;
    if (baseModifier & ModifierMask::option) flags |= EventFlags::option;
    if (baseModifier & ModifierMask::command) flags |= EventFlags::command;
    return flags;
}

void EngineInput::configureInput(WindowManager& engine) {
    engine_ = engine.weak_from_this();
    swipe_.setConfig({prefs_.gesturesEnabled(), prefs_.gestureFingers(),
                      prefs_.gestureSensitivity(), prefs_.naturalSwipe()});
    if (!prefs_.gesturesEnabled())
        swipe_.stop();
    else if (!swipe_.installed())
        swipe_.start();

    // The modifier scroll shares the swipe's sensitivity.
    scroll_.setConfig({scrollModifiers(prefs_.baseModifier()), prefs_.gestureSensitivity()});
    if (!prefs_.modifierScroll())
        scroll_.stop();
    else if (!scroll_.installed())
        scroll_.start();
}

void EngineInput::stopTaps() {
    swipe_.stop();
    scroll_.stop();
}

void EngineInput::startSwipeTap(WindowManager& engine) {
    engine_ = engine.weak_from_this();
    swipe_.start();
}

void EngineInput::startScrollTap(WindowManager& engine) {
    engine_ = engine.weak_from_this();
    scroll_.start();
}

InputDiagnostics EngineInput::diagnostics() const {
    const InputTap::Diagnostics swipe = swipe_.diagnostics();
    InputDiagnostics out;
    out.threeFingerDrag = swipe_.threeFingerDragEnabled();
    out.eventsSeen = static_cast<std::uint64_t>(swipe.eventsSeen);
    out.unreadableEvents = static_cast<std::uint64_t>(swipe.unreadableEvents);
    out.maxFingersSeen = swipe.maxFingersSeen;
    out.onMainThread = swipe.mode == InputTap::Mode::main;
    if (hotKeys_)
        for (const KeyCombo& combo : hotKeys_->failed())
            out.refusedShortcuts.push_back(combo.display(layout_));
    return out;
}

double EngineInput::swipeReferenceWidth() {
    const auto engine = engine_.lock();
    return engine ? engine->swipeReferenceWidth() : 0;
}

void EngineInput::inputScroll(double by) {
    if (const auto engine = engine_.lock()) engine->inputScroll(by);
}

void EngineInput::inputScrollEnded(double velocity) {
    if (const auto engine = engine_.lock()) engine->inputScrollEnded(velocity);
}

}  // namespace tessarin
