// The channels' timers, run once per CPU cycle, and the levels they produce.
#include "apu/apu.h"
#include "core/cpu.h"
#include "core/memory_map.h"

namespace morvel {

namespace {

// The duty sequence moves on every second expiry: once every 2 * (period + 1)
// CPU cycles.
void ClockPulseTimer(PulseChannel& pulse) {
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
void ClockTriangleTimer(TriangleChannel& tri) {
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
void ClockNoiseTimer(NoiseChannel& noise) {
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
void ClockDmcTimer(DmcChannel& dmc) {
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

uint32_t EnvelopeLevel(const Envelope& env) {
    return env.constant ? env.volume : env.decay;
}

}  // namespace

// Fills the one-byte sample buffer from CPU memory when it is empty. The read
// costs the CPU nothing here. The address wraps from $FFFF to $8000; at the
// end of the sample it loops or raises the DMC interrupt.
void DmcFetch() {
    DmcChannel& dmc = apu.dmc;
    if (dmc.buffer != 0 || dmc.remaining == 0) return;
    dmc.buffer = CpuRead(dmc.address & 0xFFFF);
    dmc.address += 1;
    if (dmc.address > 0xFFFF) dmc.address = 0x8000;
    dmc.remaining -= 1;
    if (dmc.remaining > 0) return;
    if (dmc.flags & 1) {
        dmc.address = dmc.start;
        dmc.remaining = dmc.length;
    } else if (dmc.irqEnable) {
        dmc.irqFlag = 1;
        cpu.irqLine = 0;
    }
}

// A fetched byte of 0 counts as an empty buffer, so it plays as silence.
void DmcStartOutputCycle() {
    DmcChannel& dmc = apu.dmc;
    dmc.bitsLeft = 8;
    if (dmc.buffer != 0) {
        dmc.shift = static_cast<uint8_t>(dmc.buffer);
        dmc.silence = 0;
        dmc.buffer = 0;
    } else {
        dmc.silence = 1;
    }
}

void ApuClockTimers() {
    ClockPulseTimer(apu.pulse1);
    ClockPulseTimer(apu.pulse2);
    ClockTriangleTimer(apu.tri);
    ClockNoiseTimer(apu.noise);
    ClockDmcTimer(apu.dmc);
}

uint32_t PulseOutput(const PulseChannel& pulse) {
    if (pulse.sweep.notMuted == 1 && pulse.length > 0 && pulse.output == 1)
        return EnvelopeLevel(pulse.env) & 15;
    return 0;
}

uint32_t NoiseOutput() {
    const NoiseChannel& noise = apu.noise;
    if ((noise.shift & 1) == 0 && noise.length > 0) return EnvelopeLevel(noise.env) & 15;
    return 0;
}

}  // namespace morvel
