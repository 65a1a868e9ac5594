// Color Dreams (mapper 11): one latch at $8000-$FFFF, CCCC LLPP: a 32 KB PRG
// bank (PP), an 8 KB CHR bank (CCCC); LL drive the lockout defeat only.
#include "cart/discrete_boards.h"

namespace morvel {

namespace {
void ColorDreamsWrite(uint32_t, uint8_t value) {
    MapLatchBanks(value & 3, value >> 4);
}
}  // namespace

void SetupColorDreams(const BoardHeader&) {
    MapLatchBanks(0, 0);
    SetCpuPages(8, 15, PrgPageRead, ColorDreamsWrite);
}

}  // namespace morvel
