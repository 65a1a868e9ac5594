// Irem's G-101 (mapper 32): two switched 8 KB PRG banks, one of which may
// sit at $C000, and eight 1 KB CHR banks.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

struct BoardHeader;

// The G-101 registers a save state keeps beyond the bank numbers.
struct IremG101State {
    uint8_t g101PrgBank0;  // last $8000 value AND $1F
    uint8_t g101Control;   // last $9000 value AND 3: bit 1 PRG mode (bit 0 mirroring)
    uint8_t reserved[2];
};
static_assert(sizeof(IremG101State) == 4);
static_assert(std::is_trivially_copyable_v<IremG101State>);

extern IremG101State iremG101;

void SetupIremG101(const BoardHeader& header);
bool IremG101Fits(const IremG101State& saved, std::string& why);

}  // namespace morvel
