// The Sunsoft-4 (mapper 68): a 16 KB PRG bank, four 2 KB CHR banks, and two
// 1 KB CHR ROM banks that may stand in for the console's nametables.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

struct BoardHeader;

// The Sunsoft-4 registers a save state keeps beyond the bank numbers.
struct Sunsoft4State {
    uint8_t s4NametableBank[2];  // last $C000 and $D000 values AND $7F
    uint8_t s4Control;  // last $E000 value AND $13: bits 0-1 mirroring, bit 4 ROM nametables
    uint8_t reserved;
};
static_assert(sizeof(Sunsoft4State) == 4);
static_assert(std::is_trivially_copyable_v<Sunsoft4State>);

extern Sunsoft4State sunsoft4;

void SetupSunsoft4(const BoardHeader& header);
void Sunsoft4AfterStateLoad();
bool Sunsoft4Fits(const Sunsoft4State& saved, std::string& why);

}  // namespace morvel
