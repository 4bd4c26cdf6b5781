#include "input/input_tap.hpp"

namespace tessarin {

struct InputTap::State {
    Config config;
};

InputTap::InputTap(InputEvents&, MainLoop&, const Clock&, KeyValueStore&,
                   std::shared_ptr<SerialQueue>, SliderProbe)
    : state_(std::make_shared<State>()) {}
InputTap::~InputTap() = default;
void InputTap::setDelegate(InputTapDelegate*) {}
void InputTap::start() {}
void InputTap::stop() {}
bool InputTap::installed() const {
    return false;
}
InputTap::Config InputTap::config() const {
    return state_->config;
}
void InputTap::setConfig(const Config& config) {
    state_->config = config;
}
std::optional<double> InputTap::lastDoubleClick() const {
    return std::nullopt;
}
bool InputTap::threeFingerDragEnabled() const {
    return false;
}
InputTap::Diagnostics InputTap::diagnostics() const {
    return {};
}

}  // namespace tessarin
