// Taito X1-005 (mapper 80). The chip answers only at $7EF0-$7FFF: sixteen
// register addresses (from $7EF6 on, each pair is one register) and its RAM,
// 128 bytes seen twice. The rest of $6000-$7FFF is open bus, and $8000-$FFFF
// is ROM alone.
#include "cart/taito_x1005.h"

#include "cart/board.h"
#include "cart/board_table.h"
#include "core/cpu.h"

namespace morvel {

TaitoX1005State taitoX1005;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k8K = 0x2000;
constexpr uint8_t kRamKey = 0xA3;

uint8_t X1005Read(uint32_t address) {
    if (address >= 0x7F00 && taitoX1005.x1005RamKey == kRamKey)
        return taitoX1005.x1005Ram[address & 0x7F];
    return cpuCycle.openBus;
}

void X1005Write(uint32_t address, uint8_t v) {
    if (address >= 0x7F00) {
        if (taitoX1005.x1005RamKey == kRamKey) taitoX1005.x1005Ram[address & 0x7F] = v;
        return;
    }
    if (address < 0x7EF0) return;
    const uint32_t reg = address & 0xF;
    switch (reg) {
        // $7EF0/$7EF1: 2 KB at $0000/$0800, numbered in 1 KB units (bit 0 unused).
        case 0x0:
        case 0x1: MapChrBanks(reg * 0x800, v >> 1, 2 * k1K); break;
        // $7EF2-$7EF5: 1 KB at $1000-$1C00.
        case 0x2:
        case 0x3:
        case 0x4:
        case 0x5: MapChrBanks(0x1000 + (reg - 2) * k1K, v, k1K); break;
        case 0x6:
        case 0x7: ChooseMirroring(v & 1 ? kMirrorVertical : kMirrorHorizontal); break;
        case 0x8:
        case 0x9: taitoX1005.x1005RamKey = v; break;
        // $7EFA-$7EFF: 8 KB at $8000, $A000, $C000.
        default: MapPrgBanks(0x8000 + ((reg - 0xA) >> 1) * k8K, v, k8K); break;
    }
}

}  // namespace

void SetupTaitoX1005(const BoardHeader& header) {
    // The chip's RAM is the battery's: a .sav file fills it after set-up.
    taitoX1005 = {};
    SetCpuPages(6, 7, X1005Read, X1005Write);
    SetCpuPages(8, 15, PrgPageRead, IgnoreCpuWrite);
    CountBanks8kPrg1kChr(header);
    MapPrg8kBanks(0, 1, banks.prgBankCount - 2, banks.prgBankCount - 1);
    MapChrBanks(0, 0, k8K);
}

// Kept only on a cartridge with a battery, as the header says.
BatteryPart TaitoX1005BatteryMemory(const BoardHeader& header) {
    if (!header.battery) return {nullptr, 0};
    return {taitoX1005.x1005Ram, sizeof taitoX1005.x1005Ram};
}

}  // namespace morvel
