// Irem G-101 (mapper 32). $8000 and $A000 pick 8 KB PRG banks; $9000 sets the
// mirroring and whether the $8000 bank shows at $8000 (the second-last bank
// then at $C000) or at $C000 (the second-last at $8000); $B000-$B007 pick the
// eight 1 KB CHR banks. $E000-$FFFF always holds the last bank.
// Major League (NES 2.0 submapper 1) has no $9000 wiring: its board shows one
// nametable everywhere and keeps the first PRG arrangement.
#include "cart/irem_g101.h"

#include "cart/board.h"
#include "core/state_rules.h"

namespace morvel {

IremG101State iremG101;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k8K = 0x2000;
constexpr uint32_t kMajorLeague = 1;

void MapSwitchedPrg() {
    const bool atC000 = iremG101.g101Control & 2;
    MapPrgBanks(atC000 ? 0xC000 : 0x8000, iremG101.g101PrgBank0, k8K);
    MapPrgBanks(atC000 ? 0x8000 : 0xC000, banks.prgBankCount - 2, k8K);
}

void IremG101Write(uint32_t address, uint8_t v) {
    switch ((address >> 12) & 0xF) {
        case 0x8:
            iremG101.g101PrgBank0 = v & 0x1F;
            MapSwitchedPrg();
            break;
        case 0x9:
            if (boardHeader.submapper == kMajorLeague) break;
            iremG101.g101Control = v & 3;
            ChooseMirroring(v & 1 ? kMirrorHorizontal : kMirrorVertical);
            MapSwitchedPrg();
            break;
        case 0xA: MapPrgBanks(0xA000, v & 0x1F, k8K); break;
        case 0xB: MapChrBanks((address & 7) * k1K, v, k1K); break;
        default: break;
    }
}

}  // namespace

void SetupIremG101(const BoardHeader& header) {
    iremG101 = {};
    SetCpuPages(8, 15, PrgPageRead, IremG101Write);
    CountBanks8kPrg1kChr(header);
    // Major League's nametables replace the header's arrangement, which the
    // row's afterMirroring puts back over.
    if (header.submapper == kMajorLeague) ChooseMirroring(kMirrorSingleLower);
    MapSwitchedPrg();
    MapPrgBanks(0xA000, 1, k8K);
    MapPrgBanks(0xE000, banks.prgBankCount - 1, k8K);
    MapChrBanks(0, 0, k8K);
}

bool IremG101Fits(const IremG101State& s, std::string& why) {
    return AllHold(
        {{s.g101PrgBank0 <= 0x1F, "G-101 PRG bank"}, {s.g101Control <= 3, "G-101 control"}}, why);
}

}  // namespace morvel
