// Bandai's 74161 boards: one latch at $8000-$FFFF picks a 16 KB PRG bank for
// $8000-$BFFF ($C000-$FFFF holds the last bank) and an 8 KB CHR bank.
//   Mapper 70: PPPP CCCC, mirroring wired by the board.
//   Mapper 152: MPPP CCCC, M picks the console nametable that fills the
//   screen (0: the first, 1: the second).
#include "cart/discrete_boards.h"

namespace morvel {

namespace {
void Bandai70Write(uint32_t, uint8_t value) {
    MapPrgBanks(0x8000, value >> 4, 0x4000);
    MapChrBanks(0, value & 0x0F, 0x2000);
}

void Bandai152Write(uint32_t, uint8_t value) {
    MapPrgBanks(0x8000, (value >> 4) & 7, 0x4000);
    MapChrBanks(0, value & 0x0F, 0x2000);
    banks.mirroringState = (value & 0x80) ? kMirrorSingleUpper : kMirrorSingleLower;
    SetMirroring(banks.mirroringState);
}

void SetupBandai(const BoardHeader& header, CpuWriteHandler write) {
    MapPrgBanks(0x8000, 0, 0x4000);
    MapPrgBanks(0xC000, header.prgUnits - 1, 0x4000);
    MapChrBanks(0, 0, 0x2000);
    SetCpuPages(8, 15, PrgPageRead, write);
    // The header's arrangement stands until the game picks a screen.
    banks.mirroringState = 0;
}
}  // namespace

void SetupBandai70(const BoardHeader& header) {
    SetupBandai(header, Bandai70Write);
}

void SetupBandai152(const BoardHeader& header) {
    SetupBandai(header, Bandai152Write);
}

}  // namespace morvel
