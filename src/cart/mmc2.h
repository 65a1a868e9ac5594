// The MMC2 board (mapper 9): one switched 8 KB PRG bank, and for each 4 KB
// half of the pattern space two CHR banks chosen by a latch that flips when
// the PPU fetches tile $FD or $FE from that half. The MMC4 (mapper 10) keeps
// the same registers with a 16 KB PRG bank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

struct BoardHeader;

// The MMC2 registers as save states keep them: seven 32-bit values.
struct Mmc2State {
    uint32_t mmc2PrgBank;  // $A000 value AND $0F
    uint32_t mmc2ChrFD0;   // $B000: bank at $0000 while latch 0 is $FD
    uint32_t mmc2ChrFE0;   // $C000: bank at $0000 while latch 0 is $FE
    uint32_t mmc2ChrFD1;   // $D000: bank at $1000 while latch 1 is $FD
    uint32_t mmc2ChrFE1;   // $E000: bank at $1000 while latch 1 is $FE
    uint32_t mmc2Latch0;   // $FD or $FE
    uint32_t mmc2Latch1;   // $FD or $FE
};
static_assert(sizeof(Mmc2State) == 28);
static_assert(std::is_trivially_copyable_v<Mmc2State>);
static_assert(offsetof(Mmc2State, mmc2Latch1) == 24);

extern Mmc2State mmc2;

void Mmc2Write(uint32_t address, uint8_t value);
uint8_t Mmc2LatchRead(uint32_t address);
void Mmc4Write(uint32_t address, uint8_t value);
uint8_t Mmc4LatchRead(uint32_t address);
void SetupMmc4(const BoardHeader& header);

// Checks a saved capture of the registers before a state load takes it;
// false with the reason when a field is out of range.
bool Mmc2Fits(const Mmc2State& saved, std::string& why);

}  // namespace morvel
