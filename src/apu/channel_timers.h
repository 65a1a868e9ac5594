// The per-cycle work of the channels, inline so that the APU's cycle loop
// (mixer.cpp) and ApuClockTimers share one body without a call per channel.
#pragma once

#include "apu/apu.h"

namespace morvel {

// CPU cycles (counted by frameCycle) at which the frame sequencer steps. The
// count restarts from 1 after the last step, so a $4017 write (which sets it
// to 0) delays the first step by one cycle.
constexpr uint32_t kStep1 = 7457;
constexpr uint32_t kStep2 = 14913;
constexpr uint32_t kStep3 = 22371;
constexpr uint32_t kStep4 = 29829;        // four-step mode: last step, frame interrupt
constexpr uint32_t kFiveStepEnd = 37281;  // five-step mode: last step, no interrupt

namespace channel {

// One tick of the frame counter: on most cycles only the count moves.
inline void TickFrameCounter() {
    uint32_t cycle = apu.frameCycle;
    if (cycle < kStep1 || (cycle != kStep1 && cycle != kStep2 && cycle != kStep3 &&
                           cycle != kStep4 && cycle != kFiveStepEnd)) {
        apu.frameCycle = cycle + 1;
        return;
    }
    FrameCounterTick();
}

// The duty sequence moves on every second expiry: once every 2 * (period + 1)
// CPU cycles.
inline void ClockPulseTimer(PulseChannel& pulse) {
    if (pulse.timer > 0) {
        if (pulse.period != 0) pulse.timer -= 1;
        return;
    }
    if (pulse.halfToggle) {
        pulse.output = dutyTable[pulse.duty & 3][pulse.step & 7];
        pulse.step = (pulse.step + 1) & 7;
        pulse.halfToggle = 0;
    } else {
        pulse.halfToggle = 1;
    }
    pulse.timer = pulse.period;
}

// The triangle moves one step every period + 1 CPU cycles while both its
// counters are non-zero; otherwise it holds its last level (no drop to 0).
inline void ClockTriangleTimer(TriangleChannel& tri) {
    if (tri.timer > 0) {
        if (tri.periodPlus1 != 0) tri.timer -= 1;
        return;
    }
    tri.timer = tri.periodPlus1 > 0 ? tri.periodPlus1 - 1u : 0u;
    if (tri.linear > 0 && tri.length > 0) {
        uint32_t position = tri.step >= 32 ? 0 : tri.step;
        tri.output = triangleSequence[position];
        tri.step = position + 1;
    }
}

// The noise register shifts once every period-table value of CPU cycles. The
// feedback is bit 0 XOR bit 1, or bit 0 XOR bit 6 in the short-loop mode; it
// enters at bit 14.
inline void ClockNoiseTimer(NoiseChannel& noise) {
    if (noise.timer > 0) {
        noise.timer -= 1;
        return;
    }
    uint32_t shift = noise.shift;
    uint32_t feedback = (shift ^ (shift >> (noise.mode ? 6 : 1))) & 1;
    noise.shift = static_cast<uint16_t>(((shift >> 1) | (feedback << 14)) & 0x7FFF);
    noise.timer = noise.reload >= 2 ? noise.reload - 2 : 0;
}

// One DMC output step every `rate` CPU cycles: the next delta bit moves the
// level by 2 within 0-127, unless the output cycle is silent.
inline void ClockDmcTimer(DmcChannel& dmc) {
    if (dmc.rate == 0) return;
    if (dmc.timer > 0) {
        dmc.timer -= 1;
        return;
    }
    if (!dmc.silence) {
        if (dmc.shift & 1) {
            if (dmc.level < 126) dmc.level += 2;
        } else if (dmc.level > 1) {
            dmc.level -= 2;
        }
    }
    dmc.shift >>= 1;
    if (dmc.bitsLeft > 0) dmc.bitsLeft -= 1;
    if (dmc.bitsLeft == 0) {
        DmcFetch();
        DmcStartOutputCycle();
    }
    dmc.levelOut = static_cast<uint8_t>(dmc.level & 0x7F);
    dmc.timer = dmc.rate - 1;
}

inline uint32_t EnvelopeLevel(const Envelope& env) {
    return env.constant ? env.volume : env.decay;
}

inline void ClockAllTimers() {
    ClockPulseTimer(apu.pulse1);
    ClockPulseTimer(apu.pulse2);
    ClockTriangleTimer(apu.tri);
    ClockNoiseTimer(apu.noise);
    ClockDmcTimer(apu.dmc);
}

// A pulse plays its envelope level while its duty bit is 1, its length
// counter runs and the sweep has not muted it.
inline uint32_t PulseLevel(const PulseChannel& pulse) {
    if (pulse.sweep.notMuted == 1 && pulse.length > 0 && pulse.output == 1)
        return EnvelopeLevel(pulse.env) & 15;
    return 0;
}

// The noise plays its envelope level while bit 0 of the register is 0.
inline uint32_t NoiseLevel(const NoiseChannel& noise) {
    if ((noise.shift & 1) == 0 && noise.length > 0) return EnvelopeLevel(noise.env) & 15;
    return 0;
}

}  // namespace channel
}  // namespace morvel
