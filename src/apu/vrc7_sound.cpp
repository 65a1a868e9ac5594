#include "apu/vrc7_sound.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/state_rules.h"

namespace morvel {

namespace {

// The fifteen instruments in the chip, in the layout of registers $00-$07:
// modulator and carrier flags and multiplier, modulator key scale and level,
// carrier key scale / waveforms / feedback, attack-decay of each, sustain-
// release of each.
constexpr uint8_t kInstruments[15][8] = {
    {0x03, 0x21, 0x05, 0x06, 0xE8, 0x81, 0x42, 0x27},  // 1 buzzy bell
    {0x13, 0x41, 0x14, 0x0D, 0xD8, 0xF6, 0x23, 0x12},  // 2 guitar
    {0x11, 0x11, 0x08, 0x08, 0xFA, 0xB2, 0x20, 0x12},  // 3 wurly
    {0x31, 0x61, 0x0C, 0x07, 0xA8, 0x64, 0x61, 0x27},  // 4 flute
    {0x32, 0x21, 0x1E, 0x06, 0xE1, 0x76, 0x01, 0x28},  // 5 clarinet
    {0x02, 0x01, 0x06, 0x00, 0xA3, 0xE2, 0xF4, 0xF4},  // 6 synth
    {0x21, 0x61, 0x1D, 0x07, 0x82, 0x81, 0x11, 0x07},  // 7 trumpet
    {0x23, 0x21, 0x22, 0x17, 0xA2, 0x72, 0x01, 0x17},  // 8 organ
    {0x35, 0x11, 0x25, 0x00, 0x40, 0x73, 0x72, 0x01},  // 9 bells
    {0xB5, 0x01, 0x0F, 0x0F, 0xA8, 0xA5, 0x51, 0x02},  // 10 vibes
    {0x17, 0xC1, 0x24, 0x07, 0xF8, 0xF8, 0x22, 0x12},  // 11 vibraphone
    {0x71, 0x23, 0x11, 0x06, 0x65, 0x74, 0x18, 0x16},  // 12 tutti
    {0x01, 0x02, 0xD3, 0x05, 0xC9, 0x95, 0x03, 0x02},  // 13 fretless
    {0x61, 0x63, 0x0C, 0x00, 0x94, 0xC0, 0x33, 0xF6},  // 14 synth bass
    {0x21, 0x72, 0x0D, 0x00, 0xC1, 0xD5, 0x56, 0x06},  // 15 sweep
};

// Twice the frequency multiplier of each 4-bit setting (the first is 1/2).
constexpr uint8_t kMultiplierTimesTwo[16] = {1,  2,  4,  6,  8,  10, 12, 14,
                                             16, 18, 20, 20, 24, 24, 30, 30};

// Attenuation in 0.75 dB steps of the top four F-number bits at octave 7;
// each octave lower takes 6 dB (8 steps) off, down to none.
constexpr uint8_t kKeyScaleBase[16] = {0,  24, 32, 37, 40, 43, 45, 47,
                                       48, 50, 51, 52, 53, 54, 55, 56};

// The envelope's step in each of eight samples at the four fine rates.
constexpr uint8_t kRateSteps[4][8] = {
    {0, 1, 0, 1, 0, 1, 0, 1},
    {0, 1, 0, 1, 1, 1, 0, 1},
    {0, 1, 1, 1, 0, 1, 1, 1},
    {0, 1, 1, 1, 1, 1, 1, 1},
};

// Vibrato: eight steps of the F-number offset, in quarters of F-number / 64.
constexpr int8_t kVibratoSteps[8] = {0, 1, 2, 1, 0, -1, -2, -1};

constexpr uint32_t kPhaseMask = (1u << 19) - 1;
constexpr uint8_t kLoudest = 0;
constexpr uint8_t kSilent = 127;
constexpr uint32_t kTremoloSteps = 210;
constexpr uint32_t kTremoloStepSamples = 64;

// The operator's two tables: a quarter sine as attenuation (-log2 in 1/256
// steps) and 2^-x for turning an attenuation back into a level.
struct OperatorTables {
    std::array<uint16_t, 256> logSin;
    std::array<uint16_t, 256> exponent;  // 1024 * (2^(i/256) - 1)
};

OperatorTables MakeTables() {
    OperatorTables t{};
    const double pi = std::acos(-1.0);
    for (int i = 0; i < 256; ++i) {
        const double s = std::sin((i + 0.5) * pi / 512.0);
        t.logSin[i] = static_cast<uint16_t>(std::lround(-std::log2(s) * 256.0));
        t.exponent[i] = static_cast<uint16_t>(std::lround((std::exp2(i / 256.0) - 1.0) * 1024.0));
    }
    return t;
}

const OperatorTables kTables = MakeTables();

// A level of a signed 12-bit wave: the sine at 10-bit phase `index`, under
// `attenuation` (0.375 dB steps); a rectified wave is silent in its lower half.
int32_t OperatorLevel(uint32_t index, uint32_t attenuation, bool rectified) {
    const bool lower = (index & 0x200) != 0;
    if (lower && rectified) return 0;
    const uint32_t quarter = (index & 0x100) ? (~index & 0xFF) : (index & 0xFF);
    const uint32_t total = kTables.logSin[quarter] + (attenuation << 4);
    const uint32_t shift = total >> 8;
    if (shift >= 12) return 0;
    const int32_t level =
        static_cast<int32_t>((kTables.exponent[(total & 0xFF) ^ 0xFF] + 1024u) >> shift);
    return lower ? -level : level;
}

const uint8_t* Instrument(const Vrc7Sound& chip, uint32_t channel) {
    const uint32_t number = chip.instrument[channel] >> 4;
    return number == 0 ? chip.custom : kInstruments[number - 1];
}

struct ChannelPitch {
    uint32_t fnumber;  // 9 bits
    uint32_t block;    // 3 bits
};

// The envelope's step this sample at a 4-bit rate (0: it stands still),
// sped up with the pitch when the operator's key scaling bit is set.
uint32_t EnvelopeStep(uint32_t rate, bool keyScaled, ChannelPitch pitch, uint32_t ticks) {
    if (rate == 0) return 0;
    const uint32_t keyScale = ((pitch.block << 1) | (pitch.fnumber >> 8)) >> (keyScaled ? 0 : 2);
    const uint32_t effective = std::min(63u, 4 * rate + keyScale);
    const uint32_t coarse = effective >> 2;
    const uint8_t* steps = kRateSteps[effective & 3];
    if (coarse >= 12) return static_cast<uint32_t>(steps[ticks & 7]) << (coarse - 12);
    const uint32_t shift = 12 - coarse;
    if ((ticks & ((1u << shift) - 1)) != 0) return 0;
    return steps[(ticks >> shift) & 7];
}

// Runs one operator's envelope one sample. `flags` is its TVSK MMMM byte,
// `attackDecay` and `sustainRelease` its AAAA DDDD and SSSS RRRR bytes.
void RunEnvelope(Vrc7Operator& op, uint8_t flags, uint8_t attackDecay, uint8_t sustainRelease,
                 bool channelSustain, ChannelPitch pitch, uint32_t ticks) {
    const bool keyScaled = (flags & 0x10) != 0;
    const bool held = (flags & 0x20) != 0;  // sustained, not percussive
    const uint32_t releaseRate = sustainRelease & 0x0F;
    switch (op.stage) {
        case kVrc7Attack: {
            const uint32_t rate = attackDecay >> 4;
            if (rate == 15) {
                op.envelope = kLoudest;
            } else if (const uint32_t step = EnvelopeStep(rate, keyScaled, pitch, ticks)) {
                // The attack closes a fixed share of the way to full level.
                const uint32_t fall = std::max(1u, ((op.envelope + 1u) * step) >> 3);
                op.envelope = static_cast<uint8_t>(op.envelope > fall ? op.envelope - fall : 0);
            }
            if (op.envelope == kLoudest) op.stage = kVrc7Decay;
            break;
        }
        case kVrc7Decay: {
            const uint32_t sustainLevel = sustainRelease >> 4;
            const uint32_t floor = sustainLevel == 15 ? kSilent : sustainLevel * 8;  // 3 dB steps
            op.envelope = static_cast<uint8_t>(std::min<uint32_t>(
                kSilent, op.envelope + EnvelopeStep(attackDecay & 0x0F, keyScaled, pitch, ticks)));
            if (op.envelope >= floor) op.stage = kVrc7Sustain;
            break;
        }
        case kVrc7Sustain:
            // A sustained sound holds its level while the key is down; a
            // percussive one goes on fading at its release rate.
            if (!held)
                op.envelope = static_cast<uint8_t>(std::min<uint32_t>(
                    kSilent, op.envelope + EnvelopeStep(releaseRate, keyScaled, pitch, ticks)));
            break;
        case kVrc7Release: {
            // After key-off: rate 5 with the channel's sustain bit, else the
            // instrument's release rate for a sustained sound, 7 for a percussive one.
            const uint32_t rate = channelSustain ? 5 : (held ? releaseRate : 7);
            op.envelope = static_cast<uint8_t>(std::min<uint32_t>(
                kSilent, op.envelope + EnvelopeStep(rate, keyScaled, pitch, ticks)));
            if (op.envelope >= kSilent) op.stage = kVrc7Off;
            break;
        }
        default: break;
    }
}

// Key scaling of the level, in 0.375 dB steps: none, 1.5, 3 or 6 dB per octave.
uint32_t KeyScaleAttenuation(uint32_t setting, ChannelPitch pitch) {
    if (setting == 0) return 0;
    const int32_t base =
        kKeyScaleBase[pitch.fnumber >> 5] - 8 * (7 - static_cast<int32_t>(pitch.block));
    if (base <= 0) return 0;
    return (2u * static_cast<uint32_t>(base)) >> (3 - setting);
}

void KeyOn(Vrc7Sound& chip, uint32_t channel) {
    for (uint32_t k = 0; k < 2; ++k) {
        Vrc7Operator& op = chip.operators[2 * channel + k];
        op.phase = 0;
        op.stage = kVrc7Attack;
    }
}

// The carrier always releases; a modulator with its sustain bit set goes on
// holding its level while the carrier fades.
void KeyOff(Vrc7Sound& chip, uint32_t channel) {
    const bool modulatorHeld = (Instrument(chip, channel)[0] & 0x20) != 0;
    for (uint32_t k = 0; k < 2; ++k) {
        Vrc7Operator& op = chip.operators[2 * channel + k];
        if (k == 0 && modulatorHeld) continue;
        if (op.stage != kVrc7Off) op.stage = kVrc7Release;
    }
}

}  // namespace

void Vrc7SoundReset(Vrc7Sound& chip) {
    const uint16_t vibrato = chip.vibratoTicks;
    const uint32_t envelopeTicks = chip.envelopeTicks;
    chip = Vrc7Sound{};
    chip.vibratoTicks = vibrato;
    chip.envelopeTicks = envelopeTicks;
    for (Vrc7Operator& op : chip.operators) {
        op.envelope = kSilent;
        op.stage = kVrc7Off;
    }
}

void Vrc7SoundWrite(Vrc7Sound& chip, uint8_t reg, uint8_t value) {
    const uint32_t channel = reg & 0x0F;
    if (reg < 0x08) {
        chip.custom[reg] = value;
        return;
    }
    if (channel >= kVrc7Channels) return;  // no such register
    switch (reg & 0xF0) {
        case 0x10: chip.frequencyLow[channel] = value; break;
        case 0x20: {
            const bool wasOn = (chip.control[channel] & 0x10) != 0;
            const bool on = (value & 0x10) != 0;
            chip.control[channel] = value & 0x3F;
            if (on && !wasOn) KeyOn(chip, channel);
            if (!on && wasOn) KeyOff(chip, channel);
            break;
        }
        case 0x30: chip.instrument[channel] = value; break;
        default: break;
    }
}

int32_t Vrc7SoundStep(Vrc7Sound& chip) {
    // The slow oscillators: tremolo a triangle of 0-4.875 dB at about
    // 3.7 Hz, vibrato eight steps at about 6 Hz.
    if (++chip.tremoloTicks >= kTremoloStepSamples) {
        chip.tremoloTicks = 0;
        chip.tremoloStep = static_cast<uint16_t>((chip.tremoloStep + 1) % kTremoloSteps);
    }
    const uint32_t half = kTremoloSteps / 2;
    const uint32_t tremolo =
        (chip.tremoloStep < half ? chip.tremoloStep : kTremoloSteps - 1 - chip.tremoloStep) >> 3;
    chip.vibratoTicks = static_cast<uint16_t>((chip.vibratoTicks + 1) & 0x1FFF);
    const int32_t vibratoStep = kVibratoSteps[chip.vibratoTicks >> 10];
    const uint32_t ticks = ++chip.envelopeTicks;

    int32_t sum = 0;
    for (uint32_t channel = 0; channel < kVrc7Channels; ++channel) {
        const uint8_t* patch = Instrument(chip, channel);
        const uint8_t control = chip.control[channel];
        const ChannelPitch pitch = {chip.frequencyLow[channel] | ((control & 1u) << 8),
                                    (control >> 1) & 7u};
        const bool channelSustain = (control & 0x20) != 0;
        int32_t modulation = 0;
        for (uint32_t k = 0; k < 2; ++k) {
            Vrc7Operator& op = chip.operators[2 * channel + k];
            const uint8_t flags = patch[k];
            RunEnvelope(op, flags, patch[4 + k], patch[6 + k], channelSustain, pitch, ticks);
            int32_t fnumber = static_cast<int32_t>(pitch.fnumber);
            if (flags & 0x40)
                fnumber += (static_cast<int32_t>(pitch.fnumber >> 6) * vibratoStep) / 4;
            const uint32_t step =
                ((static_cast<uint32_t>(fnumber) * kMultiplierTimesTwo[flags & 0x0F])
                 << pitch.block) >>
                1;
            op.phase = (op.phase + step) & kPhaseMask;
            if (op.stage == kVrc7Off) {
                op.previous = op.output;
                op.output = 0;
                continue;
            }
            // The modulator's level comes from its own register, the
            // carrier's from the channel's volume (3 dB steps).
            const uint32_t keyScale = KeyScaleAttenuation(patch[2 + k] >> 6, pitch);
            const uint32_t level =
                k == 0 ? 2u * (patch[2] & 0x3Fu) : 8u * (chip.instrument[channel] & 0x0Fu);
            const uint32_t attenuation = std::min<uint32_t>(
                kSilent, op.envelope + level + keyScale + ((flags & 0x80) ? tremolo : 0));
            uint32_t index = op.phase >> 9;
            if (k == 0) {
                // Feedback: the modulator bends its own phase by its last two
                // outputs, up to two waves either way at setting 7.
                const uint32_t feedback = patch[3] & 7;
                if (feedback)
                    index += static_cast<uint32_t>((op.output + op.previous) >> (8 - feedback));
            } else {
                index += static_cast<uint32_t>(modulation);
            }
            const bool rectified = (patch[3] & (k == 0 ? 0x08 : 0x10)) != 0;
            op.previous = op.output;
            op.output = static_cast<int16_t>(OperatorLevel(index & 0x3FF, attenuation, rectified));
            if (k == 0) modulation = 2 * op.output;  // up to four waves either way
        }
        // The carrier through the chip's 9-bit converter.
        const int32_t carrier = chip.operators[2 * channel + 1].output;
        sum += carrier < 0 ? -((-carrier) >> 3) : carrier >> 3;
    }
    return sum;
}

bool Vrc7SoundFits(const Vrc7Sound& chip, std::string& why) {
    bool operatorsFit = true;
    for (const Vrc7Operator& op : chip.operators)
        operatorsFit = operatorsFit && op.phase <= kPhaseMask && op.envelope <= kSilent &&
                       op.stage <= kVrc7Off && op.output >= -2048 && op.output <= 2047 &&
                       op.previous >= -2048 && op.previous <= 2047;
    bool controlsFit = true;
    for (uint8_t c : chip.control) controlsFit = controlsFit && c <= 0x3F;
    return AllHold({{operatorsFit, "VRC7 operator"},
                    {controlsFit, "VRC7 channel control"},
                    {chip.tremoloStep < kTremoloSteps && chip.tremoloTicks < kTremoloStepSamples,
                     "VRC7 tremolo"},
                    {chip.vibratoTicks <= 0x1FFF, "VRC7 vibrato"}},
                   why);
}

}  // namespace morvel
