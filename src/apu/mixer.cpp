// Mixing the five channels into 16-bit samples, one every samplesDivider CPU
// cycles, and the per-cycle drive of the whole APU.
#include <cmath>

#include "apu/channel_timers.h"
#include "core/cpu.h"

namespace morvel {

SampleStage sampleStage;
float pulseMixTable[32];
float tndMixTable[204];
uint32_t samplesDivider = 40;
uint32_t soundMuted;
int32_t volumeDb;
double volumeFactor = 1.0;

namespace {

constexpr float kSampleLimit = 32000.0f;

// Turns the summed mix of one sample into its 16-bit value: the average,
// scaled by the volume, truncated and clamped to 0..32000 (the mix is never
// negative, so silence is 0).
int16_t FinishSample(float accumulator, uint32_t divider) {
    float average = accumulator / static_cast<float>(divider);
    float scaled = static_cast<float>(static_cast<double>(average) * volumeFactor) * 32767.0f;
    if (std::isnan(scaled)) return 0;
    if (scaled > kSampleLimit) scaled = kSampleLimit;
    if (scaled < -kSampleLimit) scaled = -kSampleLimit;
    return static_cast<int16_t>(static_cast<int32_t>(scaled));
}

}  // namespace

// Nonlinear mixing of the console's output stage: one table for the two
// pulses, one for triangle, noise and DMC together (weights 3, 2, 1).
void BuildMixerTables() {
    pulseMixTable[0] = 0.0f;
    for (int n = 1; n < 32; ++n)
        pulseMixTable[n] = static_cast<float>(95.52 / (8128.0 / n + 100.0));
    tndMixTable[0] = 0.0f;
    for (int n = 1; n < 204; ++n)
        tndMixTable[n] = static_cast<float>(163.67 / (24329.0 / n + 100.0));
}

void SetVolumeDb(int32_t db) {
    if (db < -36) db = -36;
    if (db > 8) db = 8;
    volumeDb = db;
    volumeFactor = std::pow(1.122018454, db);
}

namespace {

// The mixer's output for the channels' current levels.
inline float MixNow() {
    uint32_t pulses = channel::PulseLevel(apu.pulse1) + channel::PulseLevel(apu.pulse2);
    uint32_t tnd = 3 * (apu.tri.output & 15u) + 2 * channel::NoiseLevel(apu.noise) +
                   (apu.dmc.levelOut & 0x7Fu);
    return pulseMixTable[pulses] + tndMixTable[tnd];
}

// How many of the next `limit` cycles are quiet (see channel_timers.h).
inline uint32_t QuietCycles(uint32_t limit) {
    uint32_t run = limit;
    auto clip = [&run](uint32_t cycles) {
        if (cycles < run) run = cycles;
    };
    clip(channel::FrameCounterQuietCycles());
    clip(channel::PulseQuietCycles(apu.pulse1));
    clip(channel::PulseQuietCycles(apu.pulse2));
    clip(channel::TriangleQuietCycles(apu.tri));
    clip(channel::NoiseQuietCycles(apu.noise));
    clip(channel::DmcQuietCycles(apu.dmc));
    return run;
}

inline void AdvanceQuiet(uint32_t n) {
    apu.frameCycle += n;
    channel::AdvancePulse(apu.pulse1, n);
    channel::AdvancePulse(apu.pulse2, n);
    channel::AdvanceTriangleTimer(apu.tri, n);
    channel::AdvanceNoise(apu.noise, n);
    channel::AdvanceDmc(apu.dmc, n);
}

// The common case spelled out: n cycles, all quiet. Returns false, having
// changed nothing, when any of them has an event.
inline bool QuickRun(uint32_t n, bool muted, float& accumulator) {
    PulseChannel& pulse1 = apu.pulse1;
    PulseChannel& pulse2 = apu.pulse2;
    TriangleChannel& tri = apu.tri;
    NoiseChannel& noise = apu.noise;
    DmcChannel& dmc = apu.dmc;
    if (channel::FrameCounterQuietCycles() < n) return false;
    // Levels while the duty bit is 1 / register bit 0 is 0: 0 when silent.
    const uint32_t gate1 = pulse1.sweep.notMuted == 1 && pulse1.length > 0
                               ? channel::EnvelopeLevel(pulse1.env) & 15
                               : 0;
    const uint32_t gate2 = pulse2.sweep.notMuted == 1 && pulse2.length > 0
                               ? channel::EnvelopeLevel(pulse2.env) & 15
                               : 0;
    const uint32_t noiseGate = noise.length > 0 ? channel::EnvelopeLevel(noise.env) & 15 : 0;
    const bool triangleMoves = tri.linear != 0 && tri.length != 0;
    // A timer of a channel that is heard must not expire in the run.
    if (gate1 && (pulse1.timer == 0 || (pulse1.period != 0 && pulse1.timer < n))) return false;
    if (gate2 && (pulse2.timer == 0 || (pulse2.period != 0 && pulse2.timer < n))) return false;
    if (triangleMoves && (tri.timer == 0 || (tri.periodPlus1 != 0 && tri.timer < n))) return false;
    if (noiseGate && noise.timer < n) return false;
    if (channel::DmcQuietCycles(dmc) < n) return false;
    if (!muted) {
        // What MixNow gives, from the levels just worked out.
        const uint32_t pulses = (pulse1.output == 1 ? gate1 : 0) + (pulse2.output == 1 ? gate2 : 0);
        const uint32_t tnd = 3 * (tri.output & 15u) + 2 * ((noise.shift & 1) == 0 ? noiseGate : 0) +
                             (dmc.levelOut & 0x7Fu);
        const float mix = pulseMixTable[pulses] + tndMixTable[tnd];
        for (uint32_t i = 0; i < n; ++i) accumulator += mix;
    }
    AdvanceQuiet(n);
    return true;
}

}  // namespace

// Per CPU cycle: the frame counter, the channel timers, the mix added to the
// sample in progress, and every `divider` cycles a finished sample. Cycles in
// which only counters move are taken as runs: the mix is the same value for
// each of them and is still added once per cycle, in order, so the sums come
// out exactly as cycle by cycle.
void ApuStep(int32_t cycles) {
    SampleStage& stage = sampleStage;
    const uint32_t divider = samplesDivider ? samplesDivider : 40;
    const bool muted = soundMuted != 0;
    // Most calls are a few quiet cycles inside one sample: one run, no sample.
    if (cycles > 0 && stage.sampleCycleCount < divider &&
        static_cast<uint32_t>(cycles) < divider - stage.sampleCycleCount) {
        const uint32_t n = static_cast<uint32_t>(cycles);
        float accumulator = stage.sampleAccumulator;
        if (QuickRun(n, muted, accumulator)) {
            stage.sampleAccumulator = accumulator;
            stage.sampleCycleCount += n;
            return;
        }
    }
    // The sample in progress is kept in locals for the loop and stored back after it.
    float accumulator = stage.sampleAccumulator;
    uint32_t cycleCount = stage.sampleCycleCount;
    uint32_t left = cycles > 0 ? static_cast<uint32_t>(cycles) : 0;
    uint64_t cycle = cpuCycle.cycles;
    while (left > 0) {
        // A run ends at the latest with the cycle that finishes a sample.
        const uint32_t toSample = cycleCount < divider ? divider - cycleCount : 1;
        uint32_t run = QuietCycles(left < toSample ? left : toSample);
        if (run > 0) {
            AdvanceQuiet(run);
            if (!muted) {
                const float mix = MixNow();
                for (uint32_t i = 0; i < run; ++i) accumulator += mix;
            }
            cycleCount += run;
        } else {
            run = 1;
            channel::TickCycle(cycle);
            if (!muted) accumulator += MixNow();
            ++cycleCount;
        }
        left -= run;
        cycle += run;
        if (cycleCount >= divider) {
            int16_t sample = FinishSample(accumulator, divider);
            // A frame yields about 745 samples; the buffer's end is only
            // reached by a frame that never ends, and then samples are dropped.
            if (stage.sampleCount < kSampleBufferLength)
                stage.sampleBuffer[stage.sampleCount++] = sample;
            accumulator = 0.0f;
            cycleCount = 0;
        }
    }
    stage.sampleAccumulator = accumulator;
    stage.sampleCycleCount = cycleCount;
}

}  // namespace morvel
