// The Bandai FCG boards: mapper 16 (the FCG-1/2 with its registers at
// $6000-$7FFF, or the LZ93D50 with them at $8000-$FFFF and a 24C02 EEPROM)
// and mapper 159 (the LZ93D50 with a 24C01). A 16 KB PRG window, eight 1 KB
// CHR banks and a 16-bit counter of CPU cycles.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "cart/serial_eeprom.h"

namespace morvel {

struct BandaiFcgState {
    uint8_t chr[8];      // $x000-$x007
    uint8_t prg;         // $x008
    uint8_t mirroring;   // the MirroringMode shown
    uint8_t irqEnabled;  // $x00A bit 0
    uint8_t reserved0;
    uint16_t counter;     // counts down once per CPU cycle while enabled
    uint16_t latch;       // the LZ93D50's $800B/$800C, copied to the counter by $800A
    uint8_t eepromLines;  // the last $800D value (bit 7 lets the chip's SDA be read)
    uint8_t reserved1[3];
    SerialEeprom eeprom;
};
static_assert(sizeof(BandaiFcgState) == 284);
static_assert(std::is_trivially_copyable_v<BandaiFcgState>);

extern BandaiFcgState bandaiFcg;

struct BoardHeader;
struct BatteryPart;
void SetupBandaiFcg(const BoardHeader& header);
void SetupMapper159(const BoardHeader& header);
void BandaiFcgRunTo(uint64_t last);
void BandaiFcgAfterStateLoad();
BatteryPart BandaiFcgBatteryMemory(const BoardHeader& header);
bool BandaiFcgFits(const BandaiFcgState& saved, std::string& why);

}  // namespace morvel
