// BxROM (mapper 34): a switchable 32 KB PRG bank.
#include "cart/board.h"

namespace morvel {

namespace {
void BxromWrite(uint32_t, uint8_t value) {
    MapPrgBanks(0x8000, value & (banks.prgBankCount - 1), 0x8000);
}
}  // namespace

void SetupBxrom(const BoardHeader& header) {
    MapChrBanks(0, 0, 0x2000);
    MapPrgBanks(0x8000, 0, 0x8000);
    banks.prgBankCount = header.prgUnits / 2;
    SetCpuPages(8, 15, PrgPageRead, BxromWrite);
}

}  // namespace morvel
