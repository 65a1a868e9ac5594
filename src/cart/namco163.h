// Namco 129 and 163 (mapper 19): three 8 KB PRG windows, eight 1 KB pattern
// banks and four nametable banks that each show CHR ROM or the console's own
// nametable RAM, a 15-bit CPU-cycle interrupt counter, 128 bytes of internal
// RAM behind a data port, and (on the 163) up to eight wavetable channels
// played from that RAM.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "apu/expansion_sound.h"

namespace morvel {

struct BoardHeader;
struct BatteryPart;

// Everything the board keeps beyond the bank numbers, as save states store it.
struct Namco163State {
    uint8_t ram[128];      // internal RAM: wavetables and, from $40, channel registers
    uint8_t chr[8];        // $8000-$BFFF: pattern pages
    uint8_t nametable[4];  // $C000-$DFFF: nametable quarters
    uint8_t prg[3];        // $E000 (bit 6: sound off), $E800 (bits 6-7: no RAM in patterns), $F000
    uint8_t address;       // data port address, bit 7 auto-increment
    uint8_t protect;       // the last $F800 value: work RAM write protection
    uint8_t channel;       // the channel the sound updates next (7 down)
    uint8_t tick;          // CPU cycles into the current 15-cycle update
    uint8_t irqEnabled;    // $5800 bit 7
    uint16_t irqCounter;   // 15 bits, counts up to $7FFF
    int16_t output[8];     // each channel's output since its last update
    uint8_t reserved[2];
    ExpansionMix mix;
};
static_assert(sizeof(Namco163State) == 176);
static_assert(std::is_trivially_copyable_v<Namco163State>);

extern Namco163State namco163;

void SetupNamco163(const BoardHeader& header);
// Puts back the pattern and nametable handlers the registers imply.
void Namco163ApplyPpuPages();
void Namco163RunTo(uint64_t last);
BatteryPart Namco163BatteryMemory(const BoardHeader& header);
bool Namco163Fits(const Namco163State& saved, std::string& why);

}  // namespace morvel
