// Mapper 185: CNROM with 8 KB of CHR ROM whose two bank lines go to chip
// selects instead. The ROM answers only while the latch (at $8000-$FFFF)
// holds the one value of its low two bits that the chip was made for;
// otherwise nothing drives the PPU's data lines, and a read gives back the
// low byte of the address the PPU left on them. Games check that the ROM
// goes silent before they enable it.
// NES 2.0 submappers 4-7 name the enabling value (submapper - 4). Without
// one the board guesses: the ROM answers when the low four bits of the latch
// are not all clear and the latch is not $13, which suits every known game
// but one.
#include "cart/discrete_boards.h"
#include "core/state_rules.h"

namespace morvel {

ChrLockState chrLock;

namespace {
bool ChrEnabled(uint32_t latch) {
    const uint32_t submapper = boardHeader.submapper;
    if (submapper >= 4 && submapper <= 7) return (latch & 3) == submapper - 4;
    return (latch & 0x0F) != 0 && latch != 0x13;
}

uint8_t SilentChrRead(uint32_t address) {
    return static_cast<uint8_t>(address & 0xFF);
}

void ApplyLatch() {
    SetPpuPages(0, 7, ChrEnabled(chrLock.chrLockLatch) ? ChrPageRead : SilentChrRead,
                IgnorePpuWrite);
}

void ChrLockWrite(uint32_t, uint8_t value) {
    chrLock.chrLockLatch = value;
    ApplyLatch();
}

}  // namespace

void SetupChrLock(const BoardHeader& header) {
    MapNromPrg(header);
    MapChrBanks(0, 0, 0x2000);
    SetCpuPages(8, 15, PrgPageRead, ChrLockWrite);
    chrLock = {};
    ApplyLatch();
}

void ChrLockAfterStateLoad() {
    ApplyLatch();
}

bool ChrLockFits(const ChrLockState& s, std::string& why) {
    return AllHold({{s.chrLockLatch <= 0xFF, "CHR latch"}}, why);
}

}  // namespace morvel
