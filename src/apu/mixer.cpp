// Mixing the five channels into 16-bit samples, one every samplesDivider CPU
// cycles, and the drive of the whole APU over a stretch of cycles.
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

// The mix added once per cycle for n cycles, in order, as the cycle-by-cycle
// sum does it (float additions do not regroup).
inline float AddRepeated(float accumulator, float mix, uint32_t n) {
    for (; n >= 4; n -= 4) {
        accumulator += mix;
        accumulator += mix;
        accumulator += mix;
        accumulator += mix;
    }
    for (; n > 0; --n) accumulator += mix;
    return accumulator;
}

// A whole sample at one mix, from an empty sum, depends only on the mix and
// the divider: the last one is kept, as a held tone repeats it.
struct WholeSample {
    float mix = -1.0f;
    uint32_t divider = 0;
    float sum = 0.0f;
};
WholeSample wholeSample;

inline float WholeSampleSum(float mix, uint32_t divider) {
    WholeSample& w = wholeSample;
    if (w.mix != mix || w.divider != divider) {
        w.mix = mix;
        w.divider = divider;
        w.sum = AddRepeated(0.0f, mix, divider);
    }
    return w.sum;
}

// The sample in progress, kept in locals while the APU runs.
struct SampleMaker {
    float accumulator;
    uint32_t cycleCount;
    uint32_t divider;

    // A frame yields about 745 samples; the buffer's end is only reached by
    // a frame that never ends, and then samples are dropped.
    static void Store(int16_t sample, uint32_t times) {
        SampleStage& stage = sampleStage;
        const uint32_t room = kSampleBufferLength - stage.sampleCount;
        for (uint32_t i = times < room ? times : room; i > 0; --i)
            stage.sampleBuffer[stage.sampleCount++] = sample;
    }

    // n cycles at one mix (none added while muted), finishing each sample
    // they complete. Whole samples from an empty sum all come out the same.
    void Add(float mix, bool muted, uint32_t n) {
        while (n > 0) {
            if (cycleCount == 0 && accumulator == 0.0f && n >= divider) {
                const float sum = muted ? 0.0f : WholeSampleSum(mix, divider);
                Store(FinishSample(sum, divider), n / divider);
                n %= divider;
                continue;
            }
            const uint32_t toSample = cycleCount < divider ? divider - cycleCount : 1;
            const uint32_t take = n < toSample ? n : toSample;
            if (!muted) accumulator = AddRepeated(accumulator, mix, take);
            cycleCount += take;
            n -= take;
            if (cycleCount >= divider) {
                Store(FinishSample(accumulator, divider), 1);
                accumulator = 0.0f;
                cycleCount = 0;
            }
        }
    }
};

// Cycles `cycle` to `cycle + count - 1`: runs of quiet cycles, in which the
// mix holds and the channels' counters are advanced in one go, and between
// them single cycles with an event (a frame counter step, a timer expiry that
// changes a level, a DMC fetch on its way).
void RunCycles(uint64_t cycle, uint64_t count) {
    const bool muted = soundMuted != 0;
    SampleMaker maker{sampleStage.sampleAccumulator, sampleStage.sampleCycleCount,
                      samplesDivider ? samplesDivider : 40};
    while (count > 0) {
        const uint32_t limit =
            count < channel::kNoLimit ? static_cast<uint32_t>(count) : channel::kNoLimit;
        const uint32_t run = QuietCycles(limit);
        if (run > 0) {
            maker.Add(muted ? 0.0f : MixNow(), muted, run);
            AdvanceQuiet(run);
            cycle += run;
            count -= run;
            if (count == 0) break;
        }
        channel::TickCycle(cycle);
        maker.Add(muted ? 0.0f : MixNow(), muted, 1);
        ++cycle;
        --count;
    }
    sampleStage.sampleAccumulator = maker.accumulator;
    sampleStage.sampleCycleCount = maker.cycleCount;
}

}  // namespace

void ApuRunTo(uint64_t last) {
    if (last > apuClock.done) {
        RunCycles(apuClock.done + 1, last - apuClock.done);
        apuClock.done = last;
    }
    ApuLookAhead();
}

void ApuStep(int32_t cycles) {
    if (cycles > 0) ApuRunTo(apuClock.done + static_cast<uint32_t>(cycles));
}

}  // namespace morvel
