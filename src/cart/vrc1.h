// Konami's VRC1 (mapper 75): three switched 8 KB PRG banks, two 4 KB CHR
// banks whose fifth bit sits in the mirroring register.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

struct BoardHeader;

// The VRC1 registers a save state keeps beyond the bank numbers.
struct Vrc1State {
    uint8_t vrc1Control;    // last $9000 value AND 7: mirroring, CHR high bits
    uint8_t vrc1ChrLow[2];  // last $E000 and $F000 values AND $0F
    uint8_t reserved;
};
static_assert(sizeof(Vrc1State) == 4);
static_assert(std::is_trivially_copyable_v<Vrc1State>);

extern Vrc1State vrc1;

void SetupVrc1(const BoardHeader& header);
bool Vrc1Fits(const Vrc1State& saved, std::string& why);

}  // namespace morvel
