// CNROM (mapper 3): fixed PRG as NROM, a switchable 8 KB CHR bank.
#include "cart/board.h"

namespace morvel {

namespace {
void CnromWrite(uint32_t, uint8_t value) {
    MapChrBanks(0, value & (banks.chrBankCount - 1), 0x2000);
}
}  // namespace

void SetupCnrom(const BoardHeader& header) {
    MapNromPrg(header);
    SetCpuPages(8, 15, PrgPageRead, CnromWrite);
    MapChrBanks(0, 0, 0x2000);
    banks.prgBankCount = header.prgUnits;
    banks.chrBankCount = header.chrUnits;
}

}  // namespace morvel
