// Mapper 226, a multicart board: every write is decoded from its own byte.
#include "cart/board.h"

namespace morvel {

namespace {
void Mapper226Write(uint32_t address, uint8_t value) {
    uint32_t page = (value & 0x1F) | ((value >> 2) & 0x20);
    if (address == 0x8001) page |= (value & 1u) << 6;
    SetMirroring((value >> 6) & 1);
    if (value & 0x20) {
        uint32_t bank = page & (2 * banks.prgBankCount - 1);
        MapPrgBanks(0x8000, bank, 0x4000);
        MapPrgBanks(0xC000, bank, 0x4000);
    } else {
        MapPrgBanks(0x8000, page >> 1, 0x8000);
    }
}
}  // namespace

void SetupMapper226(const BoardHeader& header) {
    MapChrBanks(0, 0, 0x2000);
    MapPrgBanks(0x8000, 0, 0x8000);
    banks.prgBankCount = header.prgUnits / 2;
    banks.chrBankCount = header.chrUnits;
    SetCpuPages(8, 15, PrgPageRead, Mapper226Write);
}

}  // namespace morvel
