// Camerica's BF909x boards (mapper 71): UNROM-like, a 16 KB PRG bank at
// $8000-$BFFF chosen by writes to $C000-$FFFF (low four bits), the last bank
// fixed at $C000; 8 KB of CHR RAM.
// The BF9097 of Fire Hawk (NES 2.0 submapper 1) also decodes $8000-$9FFF:
// bit 4 there picks the console nametable that fills the screen. Images
// without the submapper keep their wired mirroring until a write to
// $9000-$9FFF, the only address Fire Hawk uses, while writes to
// $8000-$8FFF change nothing (other games write $00 there at start-up and
// expect their wired mirroring to stay).
#include "cart/discrete_boards.h"

namespace morvel {

namespace {
void SelectScreen(uint8_t value) {
    banks.mirroringState = (value & 0x10) ? kMirrorSingleUpper : kMirrorSingleLower;
    SetMirroring(banks.mirroringState);
}

void CamericaBankWrite(uint32_t address, uint8_t value) {
    if (address >= 0xC000) MapPrgBanks(0x8000, value & 0x0F, 0x4000);
}

void FireHawkWrite(uint32_t address, uint8_t value) {
    if (address < 0xA000) SelectScreen(value);
    CamericaBankWrite(address, value);
}

void CamericaWrite(uint32_t address, uint8_t value) {
    if (address >= 0x9000 && address < 0xA000) SelectScreen(value);
    CamericaBankWrite(address, value);
}
}  // namespace

void SetupCamerica(const BoardHeader& header) {
    MapPrgBanks(0x8000, 0, 0x4000);
    MapPrgBanks(0xC000, header.prgUnits - 1, 0x4000);
    SetCpuPages(8, 15, PrgPageRead, header.submapper == 1 ? FireHawkWrite : CamericaWrite);
    banks.mirroringState = 0;
}

}  // namespace morvel
