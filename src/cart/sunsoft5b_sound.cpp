#include "cart/sunsoft5b_sound.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace morvel {

namespace {

// The chip divides M2 by two and its generators count in steps of eight of
// its own clocks: one tick every 16 CPU cycles. A tone's square wave turns
// over every `period` ticks (a whole wave is 32 x period CPU cycles), the
// noise register shifts every 2 x period ticks, and the envelope takes one of
// its 32 steps every `period` ticks.
constexpr uint8_t kTickCycles = 16;

// The output stage is logarithmic: 32 levels 1.5 dB apart, level 0 silent.
// A channel's 4-bit volume v plays at level 2v + 1 (0 stays silent); the
// envelope plays all 32.
//
// Against the console's own sound a 5B channel at full volume is taken as
// twice (+6 dB) an APU pulse channel at full volume.
constexpr double kFullChannel = 2.0 * kApuPulseFullLevel;

std::array<float, 32> MakeLevels() {
    std::array<float, 32> levels{};
    for (int level = 1; level < 32; ++level)
        levels[level] =
            static_cast<float>(kFullChannel * std::pow(10.0, -1.5 * (31 - level) / 20.0));
    return levels;
}
const std::array<float, 32> kLevels = MakeLevels();

// The sample in progress as the mixer itself leaves it.
uint32_t TonePeriod(const Sunsoft5bState& chip, int channel) {
    const uint32_t period =
        static_cast<uint32_t>(chip.regs[2 * channel + 1] & 0x0F) << 8 | chip.regs[2 * channel];
    return period ? period : 1;
}

uint32_t EnvelopeLevel(const Sunsoft5bState& chip) {
    return chip.envelopeRising ? chip.envelopeStep : 31u - chip.envelopeStep;
}

// Register $0D: continue (bit 3), attack (bit 2), alternate (bit 1), hold (bit 0).
void StepEnvelope(Sunsoft5bState& chip) {
    if (chip.envelopeHeld) return;
    if (chip.envelopeStep < 31) {
        ++chip.envelopeStep;
        return;
    }
    const uint8_t shape = chip.regs[13];
    if (!(shape & 8)) {
        // No repeat: silent from the end of the first ramp on.
        chip.envelopeRising = 0;
        chip.envelopeHeld = 1;
    } else if (shape & 1) {
        // Hold: the last level of the ramp, or the other end when alternating.
        if (shape & 2) chip.envelopeRising ^= 1;
        chip.envelopeHeld = 1;
    } else {
        if (shape & 2) chip.envelopeRising ^= 1;
        chip.envelopeStep = 0;
    }
}

void Tick(Sunsoft5bState& chip) {
    for (int channel = 0; channel < 3; ++channel) {
        if (++chip.toneCount[channel] >= TonePeriod(chip, channel)) {
            chip.toneCount[channel] = 0;
            chip.toneHigh[channel] ^= 1;
        }
    }
    const uint32_t noisePeriod = (chip.regs[6] & 0x1F) ? (chip.regs[6] & 0x1F) : 1;
    if (++chip.noiseCount >= 2 * noisePeriod) {
        chip.noiseCount = 0;
        const uint32_t feedback = (chip.noiseShift ^ (chip.noiseShift >> 3)) & 1;
        chip.noiseShift = (chip.noiseShift >> 1) | (feedback << 16);
    }
    const uint32_t envelopePeriod = static_cast<uint32_t>(chip.regs[12]) << 8 | chip.regs[11];
    if (++chip.envelopeCount >= (envelopePeriod ? envelopePeriod : 1)) {
        chip.envelopeCount = 0;
        StepEnvelope(chip);
    }
}

// Register $07 turns the tone (bits 0-2) and the noise (bits 3-5) off per
// channel: an input turned off counts as high, so a channel with both off
// plays its volume as a steady level.
float Output(const Sunsoft5bState& chip) {
    float sum = 0.0f;
    const uint8_t mixer = chip.regs[7];
    for (int channel = 0; channel < 3; ++channel) {
        const bool tone = chip.toneHigh[channel] || (mixer >> channel & 1);
        const bool noise = (chip.noiseShift & 1) || (mixer >> (channel + 3) & 1);
        if (!tone || !noise) continue;
        const uint8_t volume = chip.regs[8 + channel];
        const uint32_t level = (volume & 0x10) ? EnvelopeLevel(chip)
                                               : ((volume & 0x0F) ? 2u * (volume & 0x0F) + 1 : 0);
        sum += kLevels[level];
    }
    return sum;
}

}  // namespace

void ResetSunsoft5b(Sunsoft5bState& chip) {
    std::memset(&chip, 0, sizeof chip);
    chip.noiseShift = 1;
}

void Sunsoft5bSelect(Sunsoft5bState& chip, uint8_t value) {
    chip.select = value;
}

// A select value with any of bits 4-7 set addresses no register: the write
// is lost.
void Sunsoft5bWrite(Sunsoft5bState& chip, uint8_t value) {
    if (chip.select & 0xF0) return;
    const uint8_t reg = chip.select & 0x0F;
    chip.regs[reg] = value;
    if (reg == 13) {
        chip.envelopeStep = 0;
        chip.envelopeCount = 0;
        chip.envelopeHeld = 0;
        chip.envelopeRising = (value & 4) ? 1 : 0;
    }
}

void RunSunsoft5b(Sunsoft5bState& chip, uint64_t cycles) {
    while (cycles > 0) {
        const uint32_t take =
            static_cast<uint32_t>(std::min<uint64_t>(cycles, kTickCycles - chip.prescaler));
        MixExpansion(chip.mix, Output(chip), take);
        chip.prescaler = static_cast<uint8_t>(chip.prescaler + take);
        cycles -= take;
        if (chip.prescaler == kTickCycles) {
            chip.prescaler = 0;
            Tick(chip);
        }
    }
}

bool Sunsoft5bFits(const Sunsoft5bState& chip) {
    bool tones = true;
    for (int channel = 0; channel < 3; ++channel)
        tones = tones && chip.toneHigh[channel] <= 1 && chip.toneCount[channel] < 4096;
    return tones && chip.prescaler < kTickCycles && chip.envelopeStep <= 31 &&
           chip.envelopeRising <= 1 && chip.envelopeHeld <= 1 && chip.noiseCount < 62 &&
           chip.noiseShift != 0 && chip.noiseShift < (1u << 17) && chip.envelopeCount < 65536 &&
           ExpansionMixFits(chip.mix);
}

}  // namespace morvel
