#include "apu/expansion_sound.h"

#include <algorithm>
#include <cmath>

#include "apu/apu.h"

namespace morvel {

namespace {

// The frame's samples of the board, as averages of its level.
float expansionSamples[kSampleBufferLength];
uint32_t expansionCount;

constexpr float kSampleLimit = 32000.0f;

}  // namespace

void MixExpansion(ExpansionMix& mix, float level, uint32_t cycles) {
    const uint32_t divider = samplesDivider ? samplesDivider : 40;
    if (soundMuted) level = 0.0f;
    while (cycles > 0) {
        const uint32_t toSample = mix.cycleCount < divider ? divider - mix.cycleCount : 1;
        const uint32_t take = std::min(cycles, toSample);
        mix.accumulator += level * static_cast<float>(take);
        mix.cycleCount += take;
        cycles -= take;
        if (mix.cycleCount >= divider) {
            if (expansionCount < kSampleBufferLength)
                expansionSamples[expansionCount++] = mix.accumulator / static_cast<float>(divider);
            mix.accumulator = 0.0f;
            mix.cycleCount = 0;
        }
    }
}

bool ExpansionMixFits(const ExpansionMix& mix) {
    return std::isfinite(mix.accumulator) && std::fabs(mix.accumulator) < 4096.0f &&
           mix.cycleCount < 1024;
}

void AddExpansionSamples() {
    const uint32_t count = std::min(expansionCount, sampleCount);
    const float scale = static_cast<float>(volumeFactor) * 32767.0f;
    for (uint32_t i = 0; i < count; ++i) {
        float sample = static_cast<float>(sampleBuffer[i]) + expansionSamples[i] * scale;
        if (std::isnan(sample)) continue;
        sample = std::clamp(sample, -kSampleLimit, kSampleLimit);
        sampleBuffer[i] = static_cast<int16_t>(static_cast<int32_t>(sample));
    }
    expansionCount = 0;
}

void ClearExpansionSamples() {
    expansionCount = 0;
}

}  // namespace morvel
