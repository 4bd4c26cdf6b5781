#include "input/scroll_tap.hpp"

namespace tessarin {

struct ScrollTap::State {
    Config config;
};

ScrollTap::ScrollTap(InputEvents&, MainLoop&) : state_(std::make_shared<State>()) {}
ScrollTap::~ScrollTap() = default;
void ScrollTap::setDelegate(InputTapDelegate*) {}
void ScrollTap::start() {}
void ScrollTap::stop() {}
bool ScrollTap::installed() const {
    return false;
}
ScrollTap::Config ScrollTap::config() const {
    return state_->config;
}
void ScrollTap::setConfig(const Config& config) {
    state_->config = config;
}

}  // namespace tessarin
