// NINA-03/06 (mapper 79): a latch in $4100-$5FFF, .... PCCC: a 32 KB PRG
// bank (P) and an 8 KB CHR bank (CCC). The board decodes A15-A13 = 010 and
// A8 = 1 only, so the latch answers at $4100-$41FF, $4300-$43FF, ...,
// $5F00-$5FFF and not in between.
#include "cart/discrete_boards.h"

namespace morvel {

namespace {
void Nina03Write(uint32_t address, uint8_t value) {
    if ((address & 0xE100) != 0x4100) {
        WriteIoRegister(address, value);
        return;
    }
    MapLatchBanks((value >> 3) & 1, value & 7);
}
}  // namespace

void SetupNina03(const BoardHeader&) {
    MapLatchBanks(0, 0);
    SetCpuPages(4, 5, ReadIoRegister, Nina03Write);
    SetCpuPages(8, 15, PrgPageRead, IgnoreCpuWrite);
}

}  // namespace morvel
