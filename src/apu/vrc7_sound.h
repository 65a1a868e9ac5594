// The VRC7's FM sound: six channels of two operators each (a modulator that
// bends the phase of a carrier), fifteen instruments built into the chip and
// one the program defines through registers $00-$07. The chip makes one
// output sample every 36 CPU cycles.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

constexpr uint32_t kVrc7Channels = 6;
constexpr uint32_t kVrc7CyclesPerSample = 36;

// Where an operator's envelope stands.
enum Vrc7EnvelopeStage : uint8_t {
    kVrc7Attack = 0,
    kVrc7Decay = 1,
    kVrc7Sustain = 2,
    kVrc7Release = 3,
    kVrc7Off = 4,  // fully released: the operator is silent
};

struct Vrc7Operator {
    uint32_t phase;    // 19 bits: one wave per 2^19
    uint8_t envelope;  // attenuation in 0.375 dB steps, 0 (loudest) to 127
    uint8_t stage;     // Vrc7EnvelopeStage
    int16_t output;    // the last output, signed 12 bits
    int16_t previous;  // the one before it (the modulator's feedback)
    uint16_t reserved;
};
static_assert(sizeof(Vrc7Operator) == 12);

// The chip as save states keep it: its registers and the running state of
// each operator and of the two slow oscillators (vibrato and tremolo).
struct Vrc7Sound {
    uint8_t custom[8];                    // $00-$07: the program's instrument
    uint8_t frequencyLow[kVrc7Channels];  // $10-$15
    uint8_t control[kVrc7Channels];       // $20-$25: ..ST OOOH
    uint8_t instrument[kVrc7Channels];    // $30-$35: IIII VVVV
    uint8_t reserved[2];
    uint16_t tremoloStep;   // 0-209, one step per 64 samples
    uint16_t tremoloTicks;  // samples into the step
    uint16_t vibratoTicks;  // 8 steps of 1024 samples
    uint16_t reserved2;
    uint32_t envelopeTicks;                     // samples since power-on: paces the envelopes
    Vrc7Operator operators[2 * kVrc7Channels];  // modulator, carrier per channel
};
static_assert(sizeof(Vrc7Sound) == 40 + 12 * 2 * kVrc7Channels);
static_assert(std::is_trivially_copyable_v<Vrc7Sound>);

// Power-on, and the reset the board's silence bit holds the chip in: every
// register and operator cleared, the vibrato oscillator left where it is.
void Vrc7SoundReset(Vrc7Sound& chip);

// A write of `value` to internal register `reg` (the $9010 selection).
void Vrc7SoundWrite(Vrc7Sound& chip, uint8_t reg, uint8_t value);

// Runs the chip one sample on and returns the sum of the six channels'
// carrier outputs (each within -255..255, the chip's 9-bit converter).
int32_t Vrc7SoundStep(Vrc7Sound& chip);

// Whether a saved chip holds only values the chip can reach.
bool Vrc7SoundFits(const Vrc7Sound& chip, std::string& why);

}  // namespace morvel
