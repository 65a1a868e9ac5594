// The Irem H3001 (mapper 65): three switched 8 KB PRG windows, eight 1 KB
// CHR banks, and a 16-bit counter of CPU cycles that interrupts at 0.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

// The H3001 registers as save states keep them: 20 bytes, stored raw.
struct H3001State {
    uint8_t prg[2];      // $8000 and $A000 values
    uint8_t prgSwap;     // $9000 bit 7: the $8000 value maps at $C000
    uint8_t mirroring;   // the MirroringMode shown
    uint8_t chr[8];      // $B000-$B007 values
    uint16_t reload;     // $9005 (high) and $9006 (low)
    uint16_t counter;    // counts down once per CPU cycle while enabled, stops at 0
    uint8_t irqEnabled;  // $9003 bit 7
    uint8_t reserved[3];
};
static_assert(sizeof(H3001State) == 20);
static_assert(std::is_trivially_copyable_v<H3001State>);

extern H3001State h3001;

struct BoardHeader;
void SetupH3001(const BoardHeader& header);
void H3001RunTo(uint64_t last);
void H3001AfterStateLoad();
bool H3001Fits(const H3001State& saved, std::string& why);

}  // namespace morvel
