// Sunsoft-4 (mapper 68). Each register answers to a 4 KB page of $8000-$FFFF:
// $8000-$B000 the 2 KB CHR banks, $C000/$D000 the two nametable banks, $E000
// the nametable control, $F000 the PRG bank at $8000 and the work RAM enable.
// With bit 4 of $E000 set, each nametable the mirroring would show (the
// console's first or second) reads from the CHR ROM bank of $C000 or $D000
// instead; those banks lie in the upper 128 KB of CHR (bit 7 forced on), and
// writes to them change nothing.
#include "cart/sunsoft4.h"

#include "cart/board.h"
#include "core/memory_map.h"
#include "core/state_rules.h"

namespace morvel {

Sunsoft4State sunsoft4;

namespace {

constexpr uint32_t k2K = 0x800;
constexpr uint32_t k16K = 0x4000;
constexpr uint8_t kRomNametables = 0x10;

void ApplyNametables() {
    const uint32_t mode = kTwoBitMirroring[sunsoft4.s4Control & 3];  // $E000 bits 0-1
    if (!(sunsoft4.s4Control & kRomNametables)) {
        SetMirroring(mode);
        return;
    }
    for (uint32_t q = 0; q < 4; ++q)
        ShowChrAtQuarter(q, 0x80u | sunsoft4.s4NametableBank[MirroringPage(mode, q)]);
}

void Sunsoft4Write(uint32_t address, uint8_t v) {
    const uint32_t reg = (address >> 12) & 0xF;
    switch (reg) {
        case 0x8:
        case 0x9:
        case 0xA:
        case 0xB: MapChrBanks((reg - 8) * k2K, v, k2K); break;
        case 0xC:
        case 0xD:
            sunsoft4.s4NametableBank[reg - 0xC] = v & 0x7F;
            ApplyNametables();
            break;
        case 0xE:
            sunsoft4.s4Control = v & 0x13;
            ApplyNametables();
            break;
        default:
            MapPrgBanks(0x8000, v & 0x0F, k16K);
            workRamBlock.prgRamEnabled = (v >> 4) & 1;
            break;
    }
}

}  // namespace

void SetupSunsoft4(const BoardHeader& header) {
    sunsoft4 = {};
    SetCpuPages(8, 15, PrgPageRead, Sunsoft4Write);
    banks.prgBankCount = header.prgUnits;
    banks.chrBankCount = 4 * header.chrUnits;
    MapPrgBanks(0x8000, 0, k16K);
    MapPrgBanks(0xC000, banks.prgBankCount - 1, k16K);
    MapChrBanks(0, 0, 4 * k2K);
    // The header's mirroring stands until the game's first $E000 write.
    sunsoft4.s4Control = header.mirroring == kMirrorHorizontal ? 1 : 0;
}

// The nametable handlers are not in the page record: put back what the
// registers choose.
void Sunsoft4AfterStateLoad() {
    ApplyNametables();
}

bool Sunsoft4Fits(const Sunsoft4State& s, std::string& why) {
    return AllHold({{s.s4NametableBank[0] <= 0x7F && s.s4NametableBank[1] <= 0x7F,
                     "Sunsoft-4 nametable banks"},
                    {(s.s4Control & ~0x13u) == 0, "Sunsoft-4 nametable control"}},
                   why);
}

}  // namespace morvel
