#pragma once

namespace tessarin::EngineTiming {

// Delays, in seconds, and the limits that go with them: one home for each, so the rules that
// read them can be found and tuned in one place.

// Admission. Windows are often announced before their role, subrole and size can be read.
inline constexpr double considerDelay = 0.08;
inline constexpr double considerRetry = 0.4;
// One window-server query serves a burst of new windows.
inline constexpr double presentCacheLife = 0.05;
// A newly launched application gets this long to set up before it is observed.
inline constexpr double launchObserveDelay = 0.3;

// Reconciliation after desktop changes.
inline constexpr double hideReconcile = 0.05;
inline constexpr double unhideReconcile = 0.2;
inline constexpr double minimizeReconcile = 0.25;
inline constexpr double dormantResizeReconcile = 0.8;
// A window missing once is looked at again this much later before it leaves its strip.
inline constexpr double missRecheck = 0.6;
inline constexpr int missesToPark = 2;
// Windows of a new Space announce nothing: look for them twice as they settle, then reconcile.
inline constexpr double spaceRescans[] = {0.4, 1.0};
inline constexpr double spaceReconcileSoon = 0.4;
inline constexpr double spaceReconcile = 1.5;
// The system moves windows around after a wake or a display change; let it finish first.
inline constexpr double wakeSettle = 1.2;
inline constexpr double screenChangeSettle = 0.5;

// Closing the focused window.
// How long the neighbour picked after a close beats the focus the system picks itself.
inline constexpr double closeFocusHold = 1.0;
// A focus change this recent still counts as the strip's focus when its window closes.
inline constexpr double previousFocusLife = 1.0;
inline constexpr double focusNeighbourDelay = 0.05;

// Title-bar zoom: a resize this soon after a double click is the application's own zoom.
inline constexpr double zoomWindow = 0.6;
inline constexpr double zoomSuppress = 0.8;
// The application animates its zoom; putting the frame back after each step makes ours win.
inline constexpr double zoomReapply[] = {0.3, 0.6, 1.0};

// Writing frames. Notifications this soon after a write are the engine's own echo, and so is
// a frame within this many points of the one written.
inline constexpr double ownWriteSuppress = 1.0;
inline constexpr double echoTolerance = 4;
// A floated window's own notifications about its new frame.
inline constexpr double floatSuppress = 0.6;
// Checking sizes after an animation or morph ends; a window off by more than the tolerance is
// written again, at most this many times for one wanted frame.
inline constexpr double verifyAfterScroll = 0.25;
inline constexpr double verifyAfterMorph = 0.2;
inline constexpr double sizeTolerance = 4;
inline constexpr int sizeCorrections = 2;
// A column widened for a refused width must grow its share by more than this.
inline constexpr double widthShareSlack = 0.002;

// Health checks: what notifications missed is found and put right on this beat.
inline constexpr double healthInterval = 2.0;
inline constexpr int rescanEveryTicks = 5;
// A window more than this many points from its frame has drifted; it is put back this many
// times for one wanted frame, then left to its application.
inline constexpr double driftTolerance = 12;
inline constexpr int driftCorrections = 2;
// A window with less of its width than this on its display is parked at the strip's edge.
inline constexpr double parkedVisibleWidth = 40;

// Swipes and modifier scrolls. A distance is worth this many points of area width when there
// is no display to measure; past the strip's ends it moves the strip this much of itself.
inline constexpr double defaultReferenceWidth = 1440;
inline constexpr double rubberBand = 0.3;
// A release travels on for this long at its velocity (at most one area width).
inline constexpr double releaseProjection = 0.15;
// In focus mode a swipe longer than this steps to the neighbouring window.
inline constexpr double focusSwipeThreshold = 60;
// A swipe whose end never came is settled this long after its last distance.
inline constexpr double swipeEndTimeout = 4.0;

// The user's own drags and resizes are taken in once the button is up and the window has been
// quiet this long; a resize to this share of the area zooms the column.
inline constexpr double mouseUpPoll = 0.08;
inline constexpr double userChangeQuiet = 0.3;
inline constexpr double zoomShare = 0.97;

// A burst of settings changes (a slider dragged) is acted on once, this long after the last.
inline constexpr double prefsSettle = 0.06;

// A burst of changes saves the layout once, this long after the last.
inline constexpr double saveDelay = 1.5;

// Animation: the base length at speed 1, and the slowest speed the setting may give.
inline constexpr double animationBase = 0.24;
inline constexpr double focusModeAnimationBase = 0.3;
inline constexpr double slowestSpeed = 0.25;
// A scroll this short is applied at once.
inline constexpr double animateAbove = 1.0;
inline constexpr int slowestTickRate = 60;
inline constexpr int fastestTickRate = 120;
// The overview panel is redrawn at most about 30 times a second.
inline constexpr double indicatorRefresh = 0.033;

// How long an animation or morph lasts at `speed`.
constexpr double animationLength(double speed, double base = animationBase) {
    return base / (speed > slowestSpeed ? speed : slowestSpeed);
}

}  // namespace tessarin::EngineTiming
