// The Jaleco SS88006 (mapper 18): three switched 8 KB PRG windows, eight
// 1 KB CHR banks, each number written a nibble at a time, and a CPU-cycle
// counter whose low 4, 8, 12 or 16 bits count.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

// The SS88006 registers as save states keep them: 24 bytes, stored raw.
struct Ss88006State {
    uint8_t prg[3];      // $8000/1, $8002/3, $9000/1
    uint8_t ramControl;  // $9002: bit 0 enables the work RAM, bit 1 its writes
    uint8_t chr[8];      // $A000/1 ... $D002/3
    uint16_t reload;     // $E000-$E003, a nibble each
    uint16_t counter;
    uint8_t irqControl;  // $F001: bit 0 counts, bits 1-3 the counter's width
    uint8_t mirroring;   // the MirroringMode shown
    uint8_t reserved[6];
};
static_assert(sizeof(Ss88006State) == 24);
static_assert(std::is_trivially_copyable_v<Ss88006State>);

extern Ss88006State ss88006;

struct BoardHeader;
void SetupSs88006(const BoardHeader& header);
void Ss88006RunTo(uint64_t last);
void Ss88006AfterStateLoad();
bool Ss88006Fits(const Ss88006State& saved, std::string& why);

}  // namespace morvel
