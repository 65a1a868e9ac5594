// AOROM (mapper 7): a 32 KB PRG bank and a one-screen nametable chosen by the
// same register; 8 KB of CHR RAM.
#include "cart/board.h"

namespace morvel {

namespace {
void AoromWrite(uint32_t, uint8_t value) {
    // Bit 4 picks which of the console's two nametables fills the screen.
    uint32_t mode = (value & 0x10) ? kMirrorSingleLower : kMirrorSingleUpper;
    SetMirroring(mode);
    banks.mirroringState = mode;
    MapPrgBanks(0x8000, value & 7, 0x8000);
}
}  // namespace

// The one-screen page of the last register write, kept in mirroringState (0
// until the game's first write: the header's arrangement still stands).
void AoromAfterStateLoad() {
    const uint32_t page = banks.mirroringState;
    const bool written = page == kMirrorSingleLower || page == kMirrorSingleUpper;
    SetMirroring(written ? page : boardHeader.mirroring);
}

void SetupAorom(const BoardHeader&) {
    banks.mirroringState = 0;  // the last cartridge's page is not this one's
    MapPrgBanks(0x8000, 0, 0x8000);
    SetCpuPages(8, 15, PrgPageRead, AoromWrite);
}

}  // namespace morvel
