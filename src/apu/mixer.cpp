// Mixing the five channels into 16-bit samples, one every samplesDivider CPU
// cycles, and the per-cycle drive of the whole APU.
#include <cmath>

#include "apu/channel_timers.h"

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

void ApuStep(int32_t cycles) {
    SampleStage& stage = sampleStage;
    const uint32_t divider = samplesDivider ? samplesDivider : 40;
    const bool muted = soundMuted != 0;
    // The sample in progress is kept in locals for the loop and stored back after it.
    float accumulator = stage.sampleAccumulator;
    uint32_t cycleCount = stage.sampleCycleCount;
    for (int32_t i = 0; i < cycles; ++i) {
        channel::TickFrameCounter();
        channel::ClockAllTimers();
        if (!muted) {
            uint32_t pulses = channel::PulseLevel(apu.pulse1) + channel::PulseLevel(apu.pulse2);
            uint32_t tnd = 3 * (apu.tri.output & 15u) + 2 * channel::NoiseLevel(apu.noise) +
                           (apu.dmc.levelOut & 0x7Fu);
            accumulator += pulseMixTable[pulses] + tndMixTable[tnd];
        }
        if (++cycleCount >= divider) {
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
