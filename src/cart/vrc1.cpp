// VRC1 (mapper 75). Each register answers to a whole 4 KB page of
// $8000-$FFFF; $B000 and $D000 hold nothing.
#include "cart/vrc1.h"

#include "cart/board.h"
#include "core/state_rules.h"

namespace morvel {

Vrc1State vrc1;

namespace {

constexpr uint32_t k4K = 0x1000;
constexpr uint32_t k8K = 0x2000;

// A CHR bank is the low four bits from $E000/$F000 and bit 1 or 2 of $9000.
void MapChrHalves() {
    MapChrBanks(0x0000, (vrc1.vrc1Control & 2u) << 3 | vrc1.vrc1ChrLow[0], k4K);
    MapChrBanks(0x1000, (vrc1.vrc1Control & 4u) << 2 | vrc1.vrc1ChrLow[1], k4K);
}

void Vrc1Write(uint32_t address, uint8_t v) {
    switch ((address >> 12) & 0xF) {
        case 0x8: MapPrgBanks(0x8000, v & 0x0F, k8K); break;
        case 0xA: MapPrgBanks(0xA000, v & 0x0F, k8K); break;
        case 0xC: MapPrgBanks(0xC000, v & 0x0F, k8K); break;
        case 0x9:
            vrc1.vrc1Control = v & 7;
            // Bit 0: 0 vertical, 1 horizontal. A four-screen board wires the
            // nametables itself and the bit does nothing.
            if (boardHeader.mirroring != kMirrorFourScreen)
                ChooseMirroring(v & 1 ? kMirrorHorizontal : kMirrorVertical);
            MapChrHalves();
            break;
        case 0xE:
        case 0xF:
            vrc1.vrc1ChrLow[(address >> 12) & 1] = v & 0x0F;
            MapChrHalves();
            break;
        default: break;
    }
}

}  // namespace

void SetupVrc1(const BoardHeader& header) {
    vrc1 = {};
    SetCpuPages(8, 15, PrgPageRead, Vrc1Write);
    banks.prgBankCount = 2 * header.prgUnits;
    banks.chrBankCount = 2 * header.chrUnits;
    MapPrg8kBanks(0, 1, 2, banks.prgBankCount - 1);
    MapChrHalves();
}

bool Vrc1Fits(const Vrc1State& s, std::string& why) {
    return AllHold({{s.vrc1Control <= 7, "VRC1 control"},
                    {s.vrc1ChrLow[0] <= 0x0F && s.vrc1ChrLow[1] <= 0x0F, "VRC1 CHR banks"}},
                   why);
}

}  // namespace morvel
