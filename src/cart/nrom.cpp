// NROM (mapper 0): no register; a write to $8000-$FFFF meets ROM and changes
// nothing.
#include "cart/board.h"

namespace morvel {

void MapNromPrg(const BoardHeader& header) {
    if (header.prgUnits == 1) {
        MapPrgBanks(0x8000, 0, 0x4000);
        MapPrgBanks(0xC000, 0, 0x4000);
    } else {
        MapPrgBanks(0x8000, 0, 0x8000);
    }
}

void SetupNrom(const BoardHeader& header) {
    MapNromPrg(header);
    SetCpuPages(8, 15, PrgPageRead, IgnoreCpuWrite);
    MapChrBanks(0, 0, 0x2000);
}

}  // namespace morvel
