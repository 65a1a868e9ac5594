// The MMC1 board (mapper 1): a serial port of five writes that loads one of
// four internal registers (control, two CHR banks, PRG bank).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

// The MMC1's registers as save states keep them: 14 bytes, stored raw.
struct Mmc1State {
    uint8_t mmc1Control;     // bits 0-1 mirroring, 2-3 PRG mode, 4 CHR mode
    uint8_t mmc1LastValue;   // the last value a register write delivered
    uint8_t mmc1Shift;       // bits collected so far, bit k from the k-th write
    uint8_t mmc1ShiftCount;  // how many bits have been collected, 0-4
    uint8_t reserved0[5];
    uint8_t mmc1Chr4k;  // non-zero while CHR is switched as two 4 KB banks
    uint8_t reserved1[4];
};
static_assert(sizeof(Mmc1State) == 14);
static_assert(std::is_trivially_copyable_v<Mmc1State>);
static_assert(offsetof(Mmc1State, mmc1ShiftCount) == 3);
static_assert(offsetof(Mmc1State, mmc1Chr4k) == 9);

extern Mmc1State mmc1;

// The serial port, for every CPU write to $8000-$FFFF.
void Mmc1Write(uint32_t address, uint8_t value);

// Applies a control value: mirroring, the fixed PRG bank of modes 2 and 3,
// and the CHR mode.
void Mmc1ApplyControl(uint8_t control);

// Checks a saved capture of the registers before a state load takes it;
// false with the reason when a field is out of range.
bool Mmc1Fits(const Mmc1State& saved, std::string& why);

}  // namespace morvel
