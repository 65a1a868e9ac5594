// The MMC5's sound: two pulse channels like the APU's (no sweep unit, their
// envelopes and length counters clocked at a steady 240 Hz) and an 8-bit PCM
// channel written through $5011, at $5000-$5015. The record is kept in state
// files as the MMC5's added record: a file written before it loads with the
// channels silent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "apu/expansion_sound.h"

namespace morvel {

struct Mmc5Pulse {
    uint8_t control;          // $5000/$5004: duty, halt, constant volume, volume
    uint8_t step;             // 0-7 in the duty sequence
    uint8_t length;           // length counter
    uint8_t envelopeStart;    // 1 after a $5003/$5007 write
    uint8_t envelopeDivider;  // 0-15
    uint8_t envelopeLevel;    // 0-15
    uint16_t period;          // 11 bits, from $5002/$5006 and $5003/$5007
    uint16_t timer;           // APU cycles to the next step
    uint8_t reserved[2];
};
static_assert(sizeof(Mmc5Pulse) == 12);

struct Mmc5SoundState {
    Mmc5Pulse pulse[2];
    uint8_t enabled;       // $5015 bits 0-1
    uint8_t pcmReadMode;   // $5010 bit 0 (reads are not fed to the DAC)
    uint8_t pcmIrqEnable;  // $5010 bit 7, as 0 or 1
    uint8_t pcmIrqTrip;    // a 0 was written to the DAC
    uint8_t pcmLevel;      // the DAC, $5011
    uint8_t oddCycle;      // the pulse timers count every other CPU cycle
    uint16_t frameCount;   // CPU cycles into the 240 Hz period
    ExpansionMix mix;
};
static_assert(sizeof(Mmc5SoundState) == 40);
static_assert(std::is_trivially_copyable_v<Mmc5SoundState>);
static_assert(offsetof(Mmc5SoundState, enabled) == 24);
static_assert(offsetof(Mmc5SoundState, mix) == 32);

extern Mmc5SoundState mmc5Sound;

// $5000-$5015: writes and the two readable registers ($5010, $5015).
void Mmc5SoundWrite(uint32_t address, uint8_t value);
uint8_t Mmc5SoundRead(uint32_t address);

// Whether the PCM channel holds the interrupt line low.
bool Mmc5PcmIrqAsserting();

// The board's clock (board_clock.h): runs the sound through CPU cycle `last`.
void Mmc5SoundRunTo(uint64_t last);

bool Mmc5SoundFits(const Mmc5SoundState& saved, std::string& why);

}  // namespace morvel
