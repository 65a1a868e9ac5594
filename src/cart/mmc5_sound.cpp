// MMC5 sound. The pulse channels work as the APU's but for three things: no
// sweep ($5001/$5005 do nothing), no muting of periods below 8, and no frame
// sequencer: their envelopes and length counters are clocked together at a
// steady 240 Hz. The PCM channel's DAC takes a $5011 write in write mode; a
// 0 written leaves the DAC alone and trips the PCM interrupt instead.
#include "cart/mmc5_sound.h"

#include <algorithm>
#include <cmath>

#include "apu/apu_state.h"
#include "cart/board_clock.h"
#include "cart/mmc5.h"
#include "core/cpu.h"
#include "core/state_rules.h"

namespace morvel {

Mmc5SoundState mmc5Sound;

namespace {

// The 240 Hz clock: one CPU clock of 1.789773 MHz in 7457.
constexpr uint16_t kFrameClockCycles = 7457;

uint8_t PulseVolume(const Mmc5Pulse& p) {
    return (p.control & 0x10) ? (p.control & 0x0F) : p.envelopeLevel;
}

uint8_t PulseOutput(const Mmc5Pulse& p) {
    if (p.length == 0 || !dutyTable[p.control >> 6][p.step]) return 0;
    return PulseVolume(p);
}

// The pulses are as loud as the APU's and go through the same kind of DAC;
// the PCM channel's eight bits stand where the DMC's seven would. Every MMC5
// channel comes out with its polarity reversed against the APU's.
float Level() {
    const uint32_t pulses = PulseOutput(mmc5Sound.pulse[0]) + PulseOutput(mmc5Sound.pulse[1]);
    const float pcm =
        mmc5Sound.pcmLevel
            ? static_cast<float>(163.67 / (24329.0 / (mmc5Sound.pcmLevel / 2.0) + 100.0))
            : 0.0f;
    return -(pulseMixTable[pulses] + pcm);
}

void ClockEnvelope(Mmc5Pulse& p) {
    const uint8_t period = p.control & 0x0F;
    if (p.envelopeStart) {
        p.envelopeStart = 0;
        p.envelopeLevel = 15;
        p.envelopeDivider = period;
    } else if (p.envelopeDivider > 0) {
        --p.envelopeDivider;
    } else {
        p.envelopeDivider = period;
        if (p.envelopeLevel > 0)
            --p.envelopeLevel;
        else if (p.control & 0x20)
            p.envelopeLevel = 15;
    }
}

void ClockFrame() {
    for (Mmc5Pulse& p : mmc5Sound.pulse) {
        ClockEnvelope(p);
        if (!(p.control & 0x20) && p.length > 0) --p.length;
    }
}

void ClockTimers() {
    for (Mmc5Pulse& p : mmc5Sound.pulse) {
        if (p.timer == 0) {
            p.timer = p.period;
            p.step = (p.step + 1) & 7;
        } else {
            --p.timer;
        }
    }
}

// `ticks` timer clocks at once, as ClockTimers would leave them.
void AdvanceTimer(Mmc5Pulse& p, uint64_t ticks) {
    if (ticks <= p.timer) {
        p.timer = static_cast<uint16_t>(p.timer - ticks);
        return;
    }
    const uint64_t after = ticks - p.timer - 1;  // ticks after the first reload
    const uint64_t length = uint64_t{p.period} + 1;
    p.step = static_cast<uint8_t>((p.step + 1 + after / length) & 7);
    p.timer = static_cast<uint16_t>(p.period - after % length);
}

// Neither pulse can sound until the next 240 Hz clock or register write,
// whatever its timer does.
bool PulsesQuiet() {
    for (const Mmc5Pulse& p : mmc5Sound.pulse)
        if (p.length != 0 && PulseVolume(p) != 0) return false;
    return true;
}

// `cycles` CPU cycles that hold no 240 Hz clock, in closed form.
void AdvanceQuietly(uint64_t cycles) {
    mmc5Sound.frameCount = static_cast<uint16_t>(mmc5Sound.frameCount + cycles);
    const uint64_t ticks = (cycles + mmc5Sound.oddCycle) / 2;
    mmc5Sound.oddCycle = static_cast<uint8_t>((mmc5Sound.oddCycle + cycles) & 1);
    for (Mmc5Pulse& p : mmc5Sound.pulse) AdvanceTimer(p, ticks);
}

// One CPU cycle: the 240 Hz clock, then the timers on every other cycle.
void Cycle() {
    if (++mmc5Sound.frameCount >= kFrameClockCycles) {
        mmc5Sound.frameCount = 0;
        ClockFrame();
    }
    mmc5Sound.oddCycle ^= 1;
    if (!mmc5Sound.oddCycle) ClockTimers();
}

void WritePulse(Mmc5Pulse& p, uint32_t reg, uint8_t v, bool enabled) {
    switch (reg) {
        case 0: p.control = v; break;
        case 2: p.period = static_cast<uint16_t>((p.period & 0x700) | v); break;
        case 3:
            p.period = static_cast<uint16_t>((p.period & 0xFF) | (v & 7) << 8);
            if (enabled) p.length = lengthTable[((v >> 3) & 1) * 16 + (v >> 4)];
            p.step = 0;
            p.envelopeStart = 1;
            break;
        default: break;  // no sweep unit
    }
}

void UpdateIrqLine() {
    // The scanline interrupt shares the line: only drop it when neither holds it.
    if (Mmc5PcmIrqAsserting() || Mmc5IrqAsserting())
        AssertIrq(kIrqBoard);
    else
        ReleaseIrq(kIrqBoard);
}

}  // namespace

bool Mmc5PcmIrqAsserting() {
    return mmc5Sound.pcmIrqEnable && mmc5Sound.pcmIrqTrip;
}

void Mmc5SoundWrite(uint32_t address, uint8_t v) {
    BoardCatchUp();
    const uint32_t reg = address & 0x1F;
    if (reg < 8) {
        const uint32_t channel = reg >> 2;
        WritePulse(mmc5Sound.pulse[channel], reg & 3, v, (mmc5Sound.enabled >> channel) & 1);
    } else if (reg == 0x10) {
        mmc5Sound.pcmReadMode = v & 1;
        mmc5Sound.pcmIrqEnable = (v >> 7) & 1;
        UpdateIrqLine();
    } else if (reg == 0x11 && !mmc5Sound.pcmReadMode) {
        mmc5Sound.pcmIrqTrip = v == 0;
        if (v) mmc5Sound.pcmLevel = v;
        UpdateIrqLine();
    } else if (reg == 0x15) {
        mmc5Sound.enabled = v & 3;
        for (uint32_t channel = 0; channel < 2; ++channel)
            if (!((v >> channel) & 1)) mmc5Sound.pulse[channel].length = 0;
    }
}

// $5010: bit 7, the PCM interrupt (tripped and enabled), cleared by the read.
// $5015: bit n, pulse n + 1's length counter is running.
uint8_t Mmc5SoundRead(uint32_t address) {
    BoardCatchUp();
    if (address == 0x5010) {
        const uint8_t status = Mmc5PcmIrqAsserting() ? 0x80 : 0x00;
        mmc5Sound.pcmIrqTrip = 0;
        UpdateIrqLine();
        return status;
    }
    if (address == 0x5015)
        return static_cast<uint8_t>((mmc5Sound.pulse[0].length ? 1 : 0) |
                                    (mmc5Sound.pulse[1].length ? 2 : 0));
    return 0;
}

// Nothing the sound does on its own moves the interrupt line: it runs when
// the CPU touches it and at the end of each frame.
// While both pulses are quiet (the usual case: few games play them) the
// stretch up to the next 240 Hz clock passes in one step.
void Mmc5SoundRunTo(uint64_t last) {
    uint64_t cycles = last > boardClock.done ? last - boardClock.done : 0;
    float level = Level();
    uint32_t run = 0;
    while (cycles > 0) {
        const uint64_t beforeClock = kFrameClockCycles - 1u - mmc5Sound.frameCount;
        if (beforeClock > 0 && PulsesQuiet()) {
            const uint64_t take = std::min(cycles, beforeClock);
            AdvanceQuietly(take);
            run += static_cast<uint32_t>(take);
            cycles -= take;
            continue;
        }
        Cycle();
        ++run;
        --cycles;
        const float now = Level();
        if (now != level) {
            MixExpansion(mmc5Sound.mix, level, run);
            level = now;
            run = 0;
        }
    }
    if (run) MixExpansion(mmc5Sound.mix, level, run);
    boardClock.done = last;
    boardClock.nextEvent = kBoardNever;
}

bool Mmc5SoundFits(const Mmc5SoundState& s, std::string& why) {
    bool pulses = true;
    for (const Mmc5Pulse& p : s.pulse)
        pulses = pulses && p.step <= 7 && p.envelopeStart <= 1 && p.envelopeDivider <= 15 &&
                 p.envelopeLevel <= 15 && p.period <= 0x7FF && p.timer <= 0x7FF;
    return AllHold(
        {
            {pulses, "MMC5 pulse channel"},
            {s.enabled <= 3 && s.oddCycle <= 1 && s.frameCount < kFrameClockCycles,
             "MMC5 sound clock"},
            {s.pcmReadMode <= 1 && s.pcmIrqEnable <= 1 && s.pcmIrqTrip <= 1, "MMC5 PCM mode"},
            {ExpansionMixFits(s.mix), "MMC5 sound sample"},
        },
        why);
}

}  // namespace morvel
