// Jaleco's latch at $6000-$7FFF, which leaves these boards no work RAM; reads
// there find nothing.
//   Mapper 87 (JF-05 to JF-10 and alike): an 8 KB CHR bank with its two bits
//   wired in reverse (bit 0 is the high one), PRG fixed as NROM.
//   Mapper 140 (JF-11, JF-14): ..PP CCCC, a 32 KB PRG and an 8 KB CHR bank.
#include "cart/discrete_boards.h"

namespace morvel {

namespace {
void Jaleco87Write(uint32_t, uint8_t value) {
    MapChrBanks(0, ((value & 1u) << 1) | ((value >> 1) & 1u), 0x2000);
}

void Jaleco140Write(uint32_t, uint8_t value) {
    MapLatchBanks((value >> 4) & 3, value & 0x0F);
}
}  // namespace

void SetupJaleco87(const BoardHeader& header) {
    MapNromPrg(header);
    MapChrBanks(0, 0, 0x2000);
    SetCpuPages(6, 7, OpenBusRead, Jaleco87Write);
    SetCpuPages(8, 15, PrgPageRead, IgnoreCpuWrite);
}

void SetupJaleco140(const BoardHeader&) {
    MapLatchBanks(0, 0);
    SetCpuPages(6, 7, OpenBusRead, Jaleco140Write);
    SetCpuPages(8, 15, PrgPageRead, IgnoreCpuWrite);
}

}  // namespace morvel
