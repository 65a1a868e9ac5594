// GxROM (mapper 66): one latch at $8000-$FFFF, xxPP xxCC: a 32 KB PRG bank
// (PP) and an 8 KB CHR bank (CC).
#include "cart/discrete_boards.h"

namespace morvel {

namespace {
void GxromWrite(uint32_t, uint8_t value) {
    MapLatchBanks((value >> 4) & 3, value & 3);
}
}  // namespace

void SetupGxrom(const BoardHeader&) {
    MapLatchBanks(0, 0);
    SetCpuPages(8, 15, PrgPageRead, GxromWrite);
}

}  // namespace morvel
