#include "apu/rate_control.h"

#include <algorithm>

namespace morvel {

namespace {

// The fill the rate steers to: below the target by enough that a display a
// little faster than the sound stays clear of it despite the device draining
// the ring in blocks of about 10 ms, and above empty by enough that a slower
// one stays clear of running out.
double SteeredFill(const RateControl& control) {
    return control.target * 5 / 8;
}

// The distance from the steered fill at which the rate reaches its largest
// change: a quarter of the target, so a longer latency is corrected more gently.
double FullSpan(const RateControl& control) {
    return control.target / 4;
}

// A frame that comes long after the one before (the game was stopped without
// a clear) weighs no more than a few frames.
constexpr double kLongestStep = 0.1;

}  // namespace

void RateControlStart(RateControl& control, double targetSeconds) {
    control = RateControl{targetSeconds, 0, 1, -1};
}

void RateControlSetTarget(RateControl& control, double targetSeconds) {
    control.target = targetSeconds;
}

void RateControlRestart(RateControl& control) {
    control.lastTime = -1;
}

double RateControlCeiling(const RateControl& control) {
    return control.target;
}

double RateControlUpdate(RateControl& control, double now, double fill, bool waited) {
    double error = waited ? 0 : fill - SteeredFill(control);
    if (control.lastTime >= 0) {
        double step = std::clamp(now - control.lastTime, 0.0, kLongestStep);
        control.smoothed += (error - control.smoothed) * (step / kRateSmoothingSeconds);
    }
    control.lastTime = now;
    double adjust = kRateAdjustMax * control.smoothed / FullSpan(control);
    control.ratio = 1 + std::clamp(adjust, -kRateAdjustMax, kRateAdjustMax);
    return control.ratio;
}

}  // namespace morvel
