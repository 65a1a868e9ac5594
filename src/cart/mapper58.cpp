// Mapper 58, a multicart board: the register is the written address, the data
// byte is ignored.
#include "cart/board.h"

namespace morvel {

namespace {
void Mapper58Write(uint32_t address, uint8_t) {
    MapChrBanks(0, ((banks.chrBankCount - 1) & (address >> 3)) & 15, 0x2000);
    SetMirroring((address & 0x80) ? kMirrorHorizontal : kMirrorVertical);
    if (address & 0x40) {
        MapPrgBanks(0x8000, address & 7, 0x4000);
        MapPrgBanks(0xC000, address & 7, 0x4000);
    } else {
        // 32 KB starting at the even 16 KB bank.
        MapPrgBanks(0x8000, (address & 6) / 2, 0x8000);
    }
}
}  // namespace

void SetupMapper58(const BoardHeader& header) {
    MapChrBanks(0, 0, 0x2000);
    MapPrgBanks(0x8000, 0, 0x8000);
    banks.prgBankCount = header.prgUnits / 2;
    banks.chrBankCount = header.chrUnits;
    SetCpuPages(8, 15, PrgPageRead, Mapper58Write);
}

}  // namespace morvel
