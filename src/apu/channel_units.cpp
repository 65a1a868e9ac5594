// The units that the frame sequencer clocks: envelopes, the triangle's linear
// counter, length counters and the pulse sweeps.
#include "apu/apu.h"

namespace morvel {

namespace {

void ClockEnvelope(Envelope& env) {
    if (env.start) {
        env.start = 0;
        env.decay = 15;
        env.divider = env.period;
    } else if (env.divider > 0) {
        env.divider -= 1;
    } else {
        env.divider = env.period;
        if (env.decay > 0)
            env.decay -= 1;
        else if (env.loop)
            env.decay = 15;
    }
}

void ClockLinearCounter(TriangleChannel& tri) {
    if (tri.linearReload)
        tri.linear = tri.linearValue;
    else if (tri.linear > 0)
        tri.linear -= 1;
    if (!tri.control) tri.linearReload = 0;
}

// Counts the length down unless halted; returns whether it counted.
uint8_t ClockLength(uint8_t halt, uint32_t& length) {
    if (halt || length == 0) return 0;
    length -= 1;
    return 1;
}

}  // namespace

// The sweep's divider; when it expires the period moves toward the target
// (pulseIndex 0 for pulse 1, 1 for pulse 2, which moves one further either
// way). A target outside the 11-bit range, or a period below 8, mutes the
// channel until the next sweep clock instead.
void ClockSweep(PulseChannel& pulse, int32_t pulseIndex) {
    SweepUnit& sweep = pulse.sweep;
    sweep.notMuted = 1;
    if (sweep.reload) {
        sweep.divider = sweep.period;
        sweep.reload = 0;
        return;
    }
    if (sweep.divider > 0) {
        sweep.divider -= 1;
        return;
    }
    if (!sweep.enabled) return;
    int32_t period = pulse.period;
    int32_t delta = period >> (sweep.shift & 7);
    int32_t target = sweep.negate ? period - delta - pulseIndex : period + delta + pulseIndex;
    if (period >= 8 && target >= 0 && target <= 0x7FF)
        pulse.period = static_cast<uint16_t>(target);
    else
        sweep.notMuted = 0;
    sweep.divider = sweep.period;
}

void QuarterFrameClock() {
    ClockEnvelope(apu.pulse1.env);
    ClockEnvelope(apu.pulse2.env);
    ClockEnvelope(apu.noise.env);
    ClockLinearCounter(apu.tri);
}

// Also records which length counters it counted down: a length load written
// on the same cycle is lost for those (apu_registers.cpp).
void HalfFrameClock() {
    QuarterFrameClock();
    apuCycle.lengthClocked =
        static_cast<uint8_t>(ClockLength(apu.pulse1.lengthHalt, apu.pulse1.length) |
                             ClockLength(apu.pulse2.lengthHalt, apu.pulse2.length) << 1 |
                             ClockLength(apu.tri.lengthHalt, apu.tri.length) << 2 |
                             ClockLength(apu.noise.lengthHalt, apu.noise.length) << 3);
    ClockSweep(apu.pulse1, 0);
    ClockSweep(apu.pulse2, 1);
}

}  // namespace morvel
