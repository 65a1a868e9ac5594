// Namco 108 (mapper 206). An even address in $8000-$9FFF selects one of eight
// bank registers, an odd one loads it; writes to $A000-$FFFF reach nothing.
// The chip has four PRG address lines (128 KB) and six CHR lines (64 KB).
#include "cart/namco108.h"

#include "cart/board.h"
#include "core/state_rules.h"

namespace morvel {

Namco108State namco108;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k8K = 0x2000;

// R0 and R1 pick 2 KB at $0000 and $0800 (their low bit is not wired); R2-R5
// 1 KB each at $1000-$1C00; R6 and R7 8 KB at $8000 and $A000.
void LoadRegister(uint32_t reg, uint8_t v) {
    if (reg < 2) {
        MapChrBanks(reg * 0x800, v & 0x3E, k1K);
        MapChrBanks(reg * 0x800 + k1K, (v & 0x3E) | 1, k1K);
    } else if (reg < 6) {
        MapChrBanks(0x1000 + (reg - 2) * k1K, v & 0x3F, k1K);
    } else {
        MapPrgBanks(0x8000 + (reg - 6) * k8K, v & 0x0F, k8K);
    }
}

void Namco108Write(uint32_t address, uint8_t v) {
    if (address >= 0xA000) return;
    if (address & 1)
        LoadRegister(namco108.namco108Select, v);
    else
        namco108.namco108Select = v & 7;
}

}  // namespace

void SetupNamco108(const BoardHeader& header) {
    namco108 = {};
    SetCpuPages(8, 15, PrgPageRead, Namco108Write);
    CountBanks8kPrg1kChr(header);
    // $C000-$FFFF hold the last two 8 KB banks for good.
    MapPrg8kBanks(0, 1, banks.prgBankCount - 2, banks.prgBankCount - 1);
    MapChrBanks(0, 0, k8K);
}

bool Namco108Fits(const Namco108State& s, std::string& why) {
    return AllHold({{s.namco108Select <= 7, "Namco 108 bank select"}}, why);
}

}  // namespace morvel
