// The Namco 175 and 340 (mapper 210): three switched 8 KB PRG banks and eight
// 1 KB CHR banks; the 175 adds a work RAM enable, the 340 mirroring control.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

struct BoardHeader;

// The registers a save state keeps beyond the bank numbers.
struct Namco175State {
    uint8_t n175Chip;  // 1: Namco 175, 2: Namco 340, 0: not yet known (iNES 1.0 image)
    uint8_t reserved[3];
};
static_assert(sizeof(Namco175State) == 4);
static_assert(std::is_trivially_copyable_v<Namco175State>);

extern Namco175State namco175;

void SetupNamco175(const BoardHeader& header);
bool Namco175Fits(const Namco175State& saved, std::string& why);

}  // namespace morvel
