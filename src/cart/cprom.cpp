// CPROM (mapper 13): 32 KB of PRG, fixed, and 16 KB of CHR RAM in 4 KB
// units: $0000-$0FFF always shows the first, a latch at $8000-$FFFF (low two
// bits) picks the one at $1000-$1FFF.
// The RAM lives in the board's record, so a save state keeps it; the CHR
// data pointer is aimed at it, so the bank numbers a state restores point
// into it again.
#include <cstring>

#include "cart/discrete_boards.h"

namespace morvel {

CpromState cprom;

namespace {
void CpromWrite(uint32_t, uint8_t value) {
    MapChrBanks(0x1000, value & 3, 0x1000);
}
}  // namespace

void SetupCprom(const BoardHeader& header) {
    std::memset(&cprom, 0, sizeof cprom);
    chrBase = cprom.chrRam;
    chrUnitCount = sizeof cprom.chrRam / 1024;
    MapNromPrg(header);
    MapChrBanks(0x0000, 0, 0x1000);
    MapChrBanks(0x1000, 0, 0x1000);
    SetPpuPages(0, 7, ChrPageRead, ChrPageWrite);
    SetCpuPages(8, 15, PrgPageRead, CpromWrite);
}

}  // namespace morvel
