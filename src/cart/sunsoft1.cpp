// Sunsoft-1 (mapper 184): a latch at $6000-$7FFF, .HHH .LLL, picks a 4 KB CHR
// bank for each pattern table. The chip holds the top bit of the $1000 bank
// high, so that table shows banks 4-7 only. PRG is fixed as NROM; reads of
// $6000-$7FFF find nothing.
#include "cart/discrete_boards.h"

namespace morvel {

namespace {
void Sunsoft1Write(uint32_t, uint8_t value) {
    MapChrBanks(0x0000, value & 7, 0x1000);
    MapChrBanks(0x1000, ((value >> 4) & 7) | 4, 0x1000);
}
}  // namespace

void SetupSunsoft1(const BoardHeader& header) {
    MapNromPrg(header);
    MapChrBanks(0x0000, 0, 0x1000);
    MapChrBanks(0x1000, 4, 0x1000);
    SetCpuPages(6, 7, OpenBusRead, Sunsoft1Write);
    SetCpuPages(8, 15, PrgPageRead, IgnoreCpuWrite);
}

}  // namespace morvel
