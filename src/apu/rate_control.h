// Dynamic rate control of the sound output. The game writes each frame's
// samples ahead of the sound device, and the ring between them meets two
// clocks: the device's, and whatever paces the frames (the sound itself, or a
// display that shows a frame per refresh). The rate at which the ring is
// played is nudged, by at most half a per cent, towards keeping the queued
// sound at the chosen latency, so that a display a little slower or faster
// than sixty frames a second neither drains the ring nor piles it up.
#pragma once

namespace morvel {

// The largest change of the playing rate: 0.5 %, about nine cents of pitch.
constexpr double kRateAdjustMax = 0.005;
// How long the fill level is averaged over before the rate follows it, so the
// pitch does not wobble with the device's block-by-block draining.
constexpr double kRateSmoothingSeconds = 1.0;

struct RateControl {
    double target;  // the most sound, in seconds, queued ahead of the device as a frame is written
    double smoothed;  // the fill's distance from the steered fill, averaged (seconds)
    double ratio;     // the rate the ring is played at, 1 for sixty frames a second
    double lastTime;  // when the last frame was written (seconds); negative: none since a clear
};

// A new output: the target in seconds, the rate at sixty frames a second.
void RateControlStart(RateControl& control, double targetSeconds);

// A new target (the latency setting changed); what was learnt of the clocks stays.
void RateControlSetTarget(RateControl& control, double targetSeconds);

// The ring was cleared: the frame after it only starts the clock again, so a
// pause or a menu does not count as a long stretch at an empty ring.
void RateControlRestart(RateControl& control);

// The fill level above which the game waits for the device: the target. The
// rate itself steers to 5/8 of it, so that a display slightly faster than the
// sound raises the playing rate instead of being held back a frame now and
// then.
double RateControlCeiling(const RateControl& control);

// One frame about to be written at time `now` (seconds) with `fill` seconds
// of sound still queued; `waited` tells that the frame was held until the
// fill fell to the ceiling. Returns the new playing rate. A held frame counts
// as on target: the sound is pacing the game then, and the rate returns to
// exactly sixty frames a second.
double RateControlUpdate(RateControl& control, double now, double fill, bool waited);

}  // namespace morvel
