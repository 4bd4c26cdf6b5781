#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/key_value_store.hpp"
#include "base/main_loop.hpp"
#include "base/serial_queue.hpp"
#include "core/geometry.hpp"
#include "platform/input.hpp"
#include "platform/platform.hpp"

namespace tessarin {

class InputTapDelegate;

// Slides the strip with a multi-finger horizontal swipe on the trackpad, and holds back the
// press and drag that three-finger drag makes of the same swipe until it knows whether the
// touch is a swipe.
class InputTap {
  public:
    // Where the listener runs; kept under "swipeTapMode".
    enum class Mode : std::uint8_t { thread, main };

    struct Config {
        bool gesturesEnabled = true;
        std::int64_t fingers = 3;
        double sensitivity = 1.0;
        bool natural = true;

        bool operator==(const Config&) const = default;
    };

    struct Diagnostics {
        std::int64_t eventsSeen = 0;
        std::int64_t maxFingersSeen = 0;
        std::int64_t unreadableEvents = 0;
        std::int64_t emptyEvents = 0;
        Mode mode = Mode::thread;
    };

    // What is under the pointer: a reason text when it is a slider or a video player. Runs on
    // the probe queue.
    using SliderProbe = std::function<std::optional<std::string>(Point)>;

    InputTap(InputEvents& events, MainLoop& mainLoop, const Clock& clock, KeyValueStore& defaults,
             std::shared_ptr<SerialQueue> probeQueue, SliderProbe probe);
    ~InputTap();
    InputTap(const InputTap&) = delete;
    InputTap& operator=(const InputTap&) = delete;

    void setDelegate(InputTapDelegate* delegate);
    void start();
    void stop();
    bool installed() const;

    Config config() const;
    void setConfig(const Config& config);
    // When the last double click went down, in the clock's seconds.
    std::optional<double> lastDoubleClick() const;
    bool threeFingerDragEnabled() const;
    // Main loop.
    Diagnostics diagnostics() const;

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace tessarin
