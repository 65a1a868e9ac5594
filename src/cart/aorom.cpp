// AOROM (mapper 7): a 32 KB PRG bank and a one-screen nametable chosen by the
// same register; 8 KB of CHR RAM.
#include "cart/board.h"

namespace morvel {

namespace {
void AoromWrite(uint32_t, uint8_t value) {
    // Bit 4 picks which of the console's two nametables fills the screen.
    ChooseMirroring((value & 0x10) ? kMirrorSingleLower : kMirrorSingleUpper);
    MapPrgBanks(0x8000, value & 7, 0x8000);
}
}  // namespace

void SetupAorom(const BoardHeader&) {
    MapPrgBanks(0x8000, 0, 0x8000);
    SetCpuPages(8, 15, PrgPageRead, AoromWrite);
}

}  // namespace morvel
