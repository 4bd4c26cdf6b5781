#pragma once

#include <cstdint>
#include <memory>

#include "base/main_loop.hpp"
#include "platform/input.hpp"

namespace tessarin {

class InputTapDelegate;

// Slides the strip with the scroll wheel or a two-finger scroll while exactly the configured
// modifier keys are held; other scrolls pass to the applications untouched.
class ScrollTap {
  public:
    struct Config {
        std::uint64_t modifiers = EventFlags::control | EventFlags::option;
        double sensitivity = 1.0;

        bool operator==(const Config&) const = default;
    };

    ScrollTap(InputEvents& events, MainLoop& mainLoop);
    ~ScrollTap();
    ScrollTap(const ScrollTap&) = delete;
    ScrollTap& operator=(const ScrollTap&) = delete;

    void setDelegate(InputTapDelegate* delegate);
    void start();
    void stop();
    bool installed() const;

    Config config() const;
    void setConfig(const Config& config);

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace tessarin
