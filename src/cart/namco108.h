// The Namco 108 (mapper 206, DxROM boards): the MMC3's bank registers
// without its interrupt counter, mirroring control or work RAM.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

struct BoardHeader;

// The register a save state keeps beyond the bank numbers.
struct Namco108State {
    uint8_t namco108Select;  // last bank-select value AND 7
    uint8_t reserved[3];
};
static_assert(sizeof(Namco108State) == 4);
static_assert(std::is_trivially_copyable_v<Namco108State>);

extern Namco108State namco108;

void SetupNamco108(const BoardHeader& header);
bool Namco108Fits(const Namco108State& saved, std::string& why);

}  // namespace morvel
