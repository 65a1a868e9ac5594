// UNROM (mapper 2): a switchable 16 KB bank at $8000, the last bank fixed at
// $C000, and 8 KB of CHR RAM.
#include "cart/board.h"

namespace morvel {

namespace {
void UnromWrite(uint32_t, uint8_t value) {
    MapPrgBanks(0x8000, value & (banks.prgBankCount - 1), 0x4000);
}
}  // namespace

void SetupUnrom(const BoardHeader& header) {
    banks.prgBankCount = header.prgUnits;
    banks.chrBankCount = header.chrUnits;
    MapPrgBanks(0x8000, 0, 0x4000);
    MapPrgBanks(0xC000, header.prgUnits - 1, 0x4000);
    SetCpuPages(8, 15, PrgPageRead, UnromWrite);
}

}  // namespace morvel
