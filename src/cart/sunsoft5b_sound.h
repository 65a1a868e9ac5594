// The Sunsoft 5B's sound: a YM2149F on the cartridge, clocked by M2 through
// its divide-by-two input. Three square-wave tones, one noise generator and
// one envelope generator, each channel with a logarithmic volume. The game
// selects one of its sixteen registers through $C000 and writes it through
// $E000.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "apu/expansion_sound.h"

namespace morvel {

// The chip's registers and counters, kept in the board's saved record.
struct Sunsoft5bState {
    uint8_t regs[16];        // as written through $E000
    uint8_t select;          // the last $C000 value: register in bits 0-3
    uint8_t prescaler;       // CPU cycles into the current 16-cycle tick, 0-15
    uint8_t toneHigh[3];     // each tone's square wave: 0 or 1
    uint8_t envelopeStep;    // 0-31 within the current ramp
    uint8_t envelopeRising;  // 1 while the ramp climbs
    uint8_t envelopeHeld;    // 1 once a shape without repeat has ended
    uint8_t reserved[4];
    uint16_t toneCount[3];   // ticks into each tone's half wave
    uint16_t noiseCount;     // ticks into the noise period (doubled)
    uint32_t noiseShift;     // the 17-bit noise register, never 0
    uint32_t envelopeCount;  // ticks into the envelope step
    ExpansionMix mix;
};
static_assert(sizeof(Sunsoft5bState) == 52);
static_assert(std::is_trivially_copyable_v<Sunsoft5bState>);
static_assert(offsetof(Sunsoft5bState, toneCount) == 28);
static_assert(offsetof(Sunsoft5bState, mix) == 44);

// The chip as it is at power-on: silent, every register 0.
void ResetSunsoft5b(Sunsoft5bState& chip);

// $C000-$DFFF and $E000-$FFFF.
void Sunsoft5bSelect(Sunsoft5bState& chip, uint8_t value);
void Sunsoft5bWrite(Sunsoft5bState& chip, uint8_t value);

// Runs the chip for `cycles` CPU cycles, mixing its output.
void RunSunsoft5b(Sunsoft5bState& chip, uint64_t cycles);

// Whether a saved copy holds only values the chip itself can leave.
bool Sunsoft5bFits(const Sunsoft5bState& chip);

}  // namespace morvel
