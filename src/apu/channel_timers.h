// The per-cycle work of the APU, inline so that the APU's cycle loop
// (mixer.cpp) and ApuClockTimers share one body without a call per channel.
#pragma once

#include "apu/apu.h"

namespace morvel {

// The frame counter's events, in CPU cycles counted by frameCycle from the
// cycle its $4017 write took effect (0). The four-step sequence raises the
// frame interrupt flag on three cycles in a row and starts over on the third;
// the five-step sequence has its last clock at kFiveStepLast.
constexpr uint32_t kStep1 = 7457;            // quarter frame
constexpr uint32_t kStep2 = 14913;           // half frame
constexpr uint32_t kStep3 = 22371;           // quarter frame
constexpr uint32_t kFrameFlagFirst = 29828;  // four steps: flag
constexpr uint32_t kStep4 = 29829;           // four steps: half frame, flag
constexpr uint32_t kFourStepEnd = 29830;     // four steps: flag, count restarts at 0
constexpr uint32_t kFiveStepLast = 37281;    // five steps: half frame
constexpr uint32_t kFiveStepEnd = 37282;     // five steps: count restarts at 0

// A $4017 write takes effect this many cycles later: 3 when written on a put
// (odd) cycle, 4 on a get (even) cycle.
inline uint8_t FrameCounterWriteDelay(uint64_t writeCycle) {
    return (writeCycle & 1) ? 3 : 4;
}

// Called for the counts at which FrameCounterTick may have work.
void FrameCounterEvent(uint32_t count, uint64_t cycle);
// The delayed effect of a $4017 write: the count restarts, the new mode
// applies, and the five-step mode clocks a half frame at once.
void RestartFrameCounter(uint64_t cycle);

namespace channel {

inline bool FrameCounterEventAt(uint32_t count) {
    return count == kStep1 || count == kStep2 || count == kStep3 ||
           (count >= kFrameFlagFirst && (count <= kFourStepEnd || count >= kFiveStepLast));
}

// One cycle of the frame counter, `cycle` being its number.
inline void TickFrameCounter(uint64_t cycle) {
    if (apuCycle.frameResetDelay != 0 && --apuCycle.frameResetDelay == 0) {
        RestartFrameCounter(cycle);
        return;
    }
    const uint32_t count = apu.frameCycle + 1;
    apu.frameCycle = count;
    if (count >= kStep1 && FrameCounterEventAt(count)) FrameCounterEvent(count, cycle);
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
// level by 2 within 0-127, unless the output cycle is silent. After the
// eighth step the next output cycle starts.
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
    if (dmc.bitsLeft == 0) DmcStartOutputCycle();
    dmc.levelOut = static_cast<uint8_t>(dmc.level & 0x7F);
    dmc.timer = dmc.rate - 1;
}

// The DMC's fetch on its way to being wanted: the load counts down its
// delay, the reload waits for a get (even) cycle, so that the CPU's halt
// comes on the put cycle after it.
inline void TickDmcDma(uint64_t cycle) {
    uint8_t& state = apuCycle.dmcDma;
    if (state == kDmcDmaLoad) {
        if (apuCycle.dmcDmaDelay > 1) {
            apuCycle.dmcDmaDelay -= 1;
            return;
        }
        apuCycle.dmcDmaDelay = 0;
        state = kDmcDmaWanted;
    } else if (state == kDmcDmaReload && (cycle & 1) == 0) {
        state = kDmcDmaWanted;
    }
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

// The channels' timers and the DMC fetch's way to being wanted, one cycle.
inline void ClockTimersAndDmcDma(uint64_t cycle) {
    ClockAllTimers();
    if (apuCycle.dmcDma == kDmcDmaLoad || apuCycle.dmcDma == kDmcDmaReload) TickDmcDma(cycle);
}

// The whole APU's work of one CPU cycle, `cycle` being its number.
inline void TickCycle(uint64_t cycle) {
    TickFrameCounter(cycle);
    ClockTimersAndDmcDma(cycle);
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

// ---- Runs of quiet cycles ------------------------------------------------------
// The APU is run over runs of cycles in which a unit's level cannot change
// and nothing but counting happens: the frame counter is between steps, a
// channel's timers expire without changing what is heard (or it is silent).
// Each quiet count says how long that lasts for one unit; each Advance
// function gives the same state as that many calls of the unit's per-cycle
// function above, over any run within its quiet count.

// A count that no run reaches.
constexpr uint32_t kNoLimit = 0xFFFFFFFFu;

// Cycles the frame counter can count before its next event (0 when the next
// cycle has one, or a $4017 write is waiting to take effect).
inline uint32_t FrameCounterQuietCycles() {
    if (apuCycle.frameResetDelay != 0) return 0;
    const uint32_t count = apu.frameCycle;
    uint32_t next;
    if (count < kStep1)
        next = kStep1;
    else if (count < kStep2)
        next = kStep2;
    else if (count < kStep3)
        next = kStep3;
    else if (!apu.fiveStepMode && count < kFrameFlagFirst)
        next = kFrameFlagFirst;
    else if (apu.fiveStepMode && count < kFiveStepLast)
        next = kFiveStepLast;
    else
        return 0;
    return next - count - 1;
}

// A timer that counts down from `timer` (stuck there when `counts` is 0) and,
// on each cycle it finds 0, expires and restarts from `reload`. Advances it by
// n cycles and returns how many expiries happened.
inline uint32_t AdvanceTimer(uint32_t& timer, bool counts, uint32_t reload, uint32_t n) {
    if (timer > 0 && !counts) return 0;
    if (n <= timer) {
        timer -= n;
        return 0;
    }
    // The first expiry takes timer + 1 cycles, each further one reload + 1.
    const uint32_t after = n - timer - 1;
    if (reload == 0) {  // expires on every cycle
        timer = 0;
        return after + 1;
    }
    if (reload == kNoLimit) {  // the next expiry is out of reach
        timer = reload - after;
        return 1;
    }
    const uint32_t period = reload + 1;
    timer = reload - after % period;
    return 1 + after / period;
}

inline bool PulseSilent(const PulseChannel& pulse) {
    return pulse.sweep.notMuted != 1 || pulse.length == 0 || (EnvelopeLevel(pulse.env) & 15) == 0;
}

// Duty-sequence moves until the pulse's duty bit differs from `output`, the
// next move playing dutyTable[duty][step]: 1-8, as every sequence holds both bits.
struct PulseMoveTable {
    uint8_t moves[4][8][2];
    constexpr PulseMoveTable() : moves{} {
        for (int duty = 0; duty < 4; ++duty)
            for (int step = 0; step < 8; ++step)
                for (int output = 0; output < 2; ++output) {
                    int j = 1;
                    while (j < 8 && dutyTable[duty][(step + j - 1) & 7] == output) ++j;
                    moves[duty][step][output] = static_cast<uint8_t>(j);
                }
    }
};
inline constexpr PulseMoveTable kPulseMoves;

inline uint32_t ClipToLimit(uint64_t cycles) {
    return cycles < kNoLimit ? static_cast<uint32_t>(cycles) : kNoLimit;
}

// Cycles the pulse can run before its level may change: unlimited while it is
// silent or its timer is stuck, else until the duty move that flips its bit.
inline uint32_t PulseQuietCycles(const PulseChannel& pulse) {
    if (PulseSilent(pulse)) return kNoLimit;
    if (pulse.period == 0 && pulse.timer != 0) return kNoLimit;
    const uint32_t moves =
        pulse.output > 1 ? 1 : kPulseMoves.moves[pulse.duty & 3][pulse.step & 7][pulse.output];
    // Moves come on every second expiry, the first one next when the half toggle is set.
    const uint64_t expiries = pulse.halfToggle != 0 ? 2 * moves - 1 : 2 * moves;
    return ClipToLimit(pulse.timer + (expiries - 1) * (uint64_t{pulse.period} + 1));
}

// Exact over any n, the expiries and duty moves within it included.
inline void AdvancePulse(PulseChannel& pulse, uint32_t n) {
    uint32_t expiries;
    if (pulse.period == 0) {
        if (pulse.timer != 0) return;  // stuck
        expiries = n;                  // expires on every cycle
    } else if (n <= pulse.timer) {
        pulse.timer -= n;
        return;
    } else {
        expiries = AdvanceTimer(pulse.timer, true, pulse.period, n);
    }
    // Every second expiry moves the duty sequence, starting with the first
    // when the half toggle is set.
    const uint32_t toggled = pulse.halfToggle != 0 ? 1 : 0;
    const uint32_t moves = (expiries + toggled) >> 1;
    pulse.halfToggle = toggled ^ (expiries & 1);
    if (moves == 0) return;
    pulse.output = dutyTable[pulse.duty & 3][(pulse.step + moves - 1) & 7];
    pulse.step = (pulse.step + moves) & 7;
}

// The triangle's level only moves while both counters are non-zero.
inline bool TriangleFrozen(const TriangleChannel& tri) {
    return tri.linear == 0 || tri.length == 0;
}

inline uint32_t TriangleQuietCycles(const TriangleChannel& tri) {
    if (TriangleFrozen(tri)) return kNoLimit;
    if (tri.timer == 0) return 0;
    return tri.periodPlus1 != 0 ? tri.timer : kNoLimit;
}

// A frozen triangle, or one whose timer does not expire within n: the timer
// runs, the sequence stays.
inline void AdvanceTriangleTimer(TriangleChannel& tri, uint32_t n) {
    const uint32_t reload = tri.periodPlus1 > 0 ? tri.periodPlus1 - 1u : 0u;
    AdvanceTimer(tri.timer, tri.periodPlus1 != 0, reload, n);
}

inline bool NoiseSilent(const NoiseChannel& noise) {
    return noise.length == 0 || (EnvelopeLevel(noise.env) & 15) == 0;
}

// Shift k moves bit k of the register to bit 0, so the level holds until the
// first shift that brings a bit different from bit 0; bit 14 takes the first
// feedback, which reaches bit 0 on the fifteenth shift.
inline uint32_t NoiseQuietCycles(const NoiseChannel& noise) {
    if (NoiseSilent(noise)) return kNoLimit;
    const uint32_t shift = noise.shift;
    const uint32_t differs = ((shift ^ (0u - (shift & 1))) >> 1) & 0x3FFF;
    const uint32_t shifts = differs != 0 ? static_cast<uint32_t>(__builtin_ctz(differs)) + 1 : 15;
    const uint64_t reload = noise.reload >= 2 ? noise.reload - 2 : 0;
    return ClipToLimit(noise.timer + (shifts - 1) * (reload + 1));
}

// Exact over any n. Up to 15 - tap shifts are taken at once: their feedback
// bits (bit j XOR bit j + tap for the j-th) all come from bits already in the register.
inline void AdvanceNoise(NoiseChannel& noise, uint32_t n) {
    const uint32_t reload = noise.reload >= 2 ? noise.reload - 2 : 0;
    uint32_t shifts = AdvanceTimer(noise.timer, true, reload, n);
    uint32_t shift = noise.shift;
    const uint32_t tap = noise.mode ? 6 : 1;
    if (shift > 0x7FFF && shifts > 0) {  // a stray bit 15 goes on the first shift
        shift = ((shift >> 1) | (((shift ^ (shift >> tap)) & 1) << 14)) & 0x7FFF;
        --shifts;
    }
    while (shifts > 0) {
        const uint32_t k = shifts < 15 - tap ? shifts : 15 - tap;
        const uint32_t feedback = (shift ^ (shift >> tap)) & ((1u << k) - 1);
        shift = (shift >> k) | (feedback << (15 - k));
        shifts -= k;
    }
    noise.shift = static_cast<uint16_t>(shift);
}

// A DMC expiry moves the level while an output cycle plays and starts the next
// output cycle after the eighth; a silent output cycle only counts its bits down.
inline bool DmcCountsOnly(const DmcChannel& dmc) {
    return dmc.silence && dmc.bitsLeft > 1 && dmc.levelOut == (dmc.level & 0x7F);
}

inline uint32_t DmcQuietCycles(const DmcChannel& dmc) {
    if (dmc.rate == 0) return kNoLimit;
    if (!DmcCountsOnly(dmc)) return dmc.timer;
    // Up to the expiry that counts the last bit.
    return ClipToLimit(dmc.timer + uint64_t{dmc.bitsLeft - 1} * dmc.rate);
}

inline void AdvanceDmc(DmcChannel& dmc, uint32_t n) {
    if (dmc.rate == 0) return;
    const uint32_t expiries = AdvanceTimer(dmc.timer, true, dmc.rate - 1, n);
    if (expiries == 0) return;
    dmc.shift = expiries < 8 ? static_cast<uint8_t>(dmc.shift >> expiries) : 0;
    dmc.bitsLeft -= expiries;
}

}  // namespace channel
}  // namespace morvel
