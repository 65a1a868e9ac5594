// GxROM (mapper 66): one latch at $8000-$FFFF, xxPP xxCC: a 32 KB PRG bank
// (PP) and an 8 KB CHR bank (CC).
#include "cart/discrete_boards.h"

namespace morvel {

namespace {
void GxromWrite(uint32_t, uint8_t value) {
    MapPrgBanks(0x8000, (value >> 4) & 3, 0x8000);
    MapChrBanks(0, value & 3, 0x2000);
}
}  // namespace

void SetupGxrom(const BoardHeader&) {
    MapPrgBanks(0x8000, 0, 0x8000);
    MapChrBanks(0, 0, 0x2000);
    SetCpuPages(8, 15, PrgPageRead, GxromWrite);
}

}  // namespace morvel
