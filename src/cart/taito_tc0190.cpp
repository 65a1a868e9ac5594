// Taito TC0190 (mapper 33). Four registers, repeated through $8000-$BFFF
// (address mask $A003): $8000 picks the 8 KB PRG bank at $8000 and the
// mirroring (bit 6: 0 vertical, 1 horizontal), $8001 the bank at $A000,
// $8002/$8003 2 KB CHR banks at $0000/$0800, $A000-$A003 1 KB CHR banks at
// $1000-$1C00. $C000-$FFFF holds the last two 8 KB banks.
#include "cart/board.h"

namespace morvel {

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k2K = 0x800;
constexpr uint32_t k8K = 0x2000;

void TaitoTc0190Write(uint32_t address, uint8_t v) {
    const uint32_t reg = address & 3;
    if (address >= 0xC000) return;
    if (address >= 0xA000) {
        MapChrBanks(0x1000 + reg * k1K, v, k1K);
        return;
    }
    switch (reg) {
        case 0:
            MapPrgBanks(0x8000, v & 0x3F, k8K);
            ChooseMirroring(v & 0x40 ? kMirrorHorizontal : kMirrorVertical);
            break;
        case 1: MapPrgBanks(0xA000, v & 0x3F, k8K); break;
        default: MapChrBanks((reg - 2) * k2K, v, k2K); break;
    }
}

}  // namespace

void SetupTaitoTc0190(const BoardHeader& header) {
    SetCpuPages(8, 15, PrgPageRead, TaitoTc0190Write);
    CountBanks8kPrg1kChr(header);
    MapPrg8kBanks(0, 1, banks.prgBankCount - 2, banks.prgBankCount - 1);
    MapChrBanks(0, 0, k8K);
}

}  // namespace morvel
