#pragma once

namespace tessarin {

// What the swipe and modifier-scroll taps hand on: the engine. Called on the main loop only.
class InputTapDelegate {
  public:
    virtual ~InputTapDelegate() = default;
    // Points that one unit of normalised finger movement is worth.
    virtual double swipeReferenceWidth() = 0;
    // Slide the strip by this many points now.
    virtual void inputScroll(double by) = 0;
    // The gesture ended at this speed, in points per second.
    virtual void inputScrollEnded(double velocity) = 0;
};

}  // namespace tessarin
