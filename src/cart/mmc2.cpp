// MMC2 (mapper 9) and MMC4 (mapper 10). Games draw a tile $FD or $FE where
// they want the pattern bank of that half to change; the fetch of the tile
// itself still comes from the old bank, the following fetches from the new
// one. The MMC4 switches 16 KB of PRG instead of 8 KB and flips both latches
// on the second plane of the tile only.
#include "cart/mmc2.h"

#include "cart/board.h"
#include "core/state_rules.h"

namespace morvel {

Mmc2State mmc2;

namespace {

constexpr uint32_t k4K = 0x1000;
constexpr uint32_t k8K = 0x2000;
constexpr uint32_t kLatchFD = 0xFD;
constexpr uint32_t kLatchFE = 0xFE;

// CHR bank numbers are five bits wide; banks past the data wrap around it.
void MapHalf(uint32_t ppuAddress, uint32_t value) {
    MapChrBanks(ppuAddress, value & 0x1F, k4K);
}

void SetLatch0(uint32_t latch) {
    mmc2.mmc2Latch0 = latch;
    MapHalf(0x0000, latch == kLatchFD ? mmc2.mmc2ChrFD0 : mmc2.mmc2ChrFE0);
}

void SetLatch1(uint32_t latch) {
    mmc2.mmc2Latch1 = latch;
    MapHalf(0x1000, latch == kLatchFD ? mmc2.mmc2ChrFD1 : mmc2.mmc2ChrFE1);
}

}  // namespace

void Mmc2Write(uint32_t address, uint8_t v) {
    switch ((address >> 12) & 0xF) {
        case 0xA:
            mmc2.mmc2PrgBank = v & 0x0F;
            MapPrgBanks(0x8000, v & 0x0F, k8K);
            break;
        case 0xB:
            mmc2.mmc2ChrFD0 = v;
            if (mmc2.mmc2Latch0 == kLatchFD) MapHalf(0x0000, v);
            break;
        case 0xC:
            mmc2.mmc2ChrFE0 = v;
            if (mmc2.mmc2Latch0 == kLatchFE) MapHalf(0x0000, v);
            break;
        case 0xD:
            mmc2.mmc2ChrFD1 = v;
            if (mmc2.mmc2Latch1 == kLatchFD) MapHalf(0x1000, v);
            break;
        case 0xE:
            mmc2.mmc2ChrFE1 = v;
            if (mmc2.mmc2Latch1 == kLatchFE) MapHalf(0x1000, v);
            break;
        case 0xF: ChooseMirroring(~v & 1u); break;  // bit 0: 0 vertical, 1 horizontal
        default: break;                             // $8000-$9FFF: no register
    }
}

// The byte comes from the bank mapped before this fetch; a fetch of any of
// the sixteen bytes of tile $FD or $FE then flips the latch of its half.
uint8_t Mmc2LatchRead(uint32_t address) {
    uint8_t value = ChrPageRead(address);
    switch (address & 0x3FF0) {
        case 0x0FD0: SetLatch0(kLatchFD); break;
        case 0x0FE0: SetLatch0(kLatchFE); break;
        case 0x1FD0: SetLatch1(kLatchFD); break;
        case 0x1FE0: SetLatch1(kLatchFE); break;
        default: break;
    }
    return value;
}

// $A000 selects the 16 KB bank at $8000; the CHR and mirroring registers
// are the MMC2's.
void Mmc4Write(uint32_t address, uint8_t v) {
    if (((address >> 12) & 0xF) != 0xA) {
        Mmc2Write(address, v);
        return;
    }
    mmc2.mmc2PrgBank = v & 0x0F;
    MapPrgBanks(0x8000, v & 0x0F, 2 * k8K);
}

// The MMC4 flips a latch on a fetch of $xFD8-$xFDF or $xFE8-$xFEF: the
// second plane of tile $FD or $FE, so the whole tile comes from the old bank.
uint8_t Mmc4LatchRead(uint32_t address) {
    uint8_t value = ChrPageRead(address);
    switch (address & 0x3FF8) {
        case 0x0FD8: SetLatch0(kLatchFD); break;
        case 0x0FE8: SetLatch0(kLatchFE); break;
        case 0x1FD8: SetLatch1(kLatchFD); break;
        case 0x1FE8: SetLatch1(kLatchFE); break;
        default: break;
    }
    return value;
}

void SetupMmc4(const BoardHeader& header) {
    mmc2 = {};
    SetPpuPages(0, 7, Mmc4LatchRead, ChrDataWrite(header));
    SetCpuPages(8, 15, PrgPageRead, Mmc4Write);
    banks.prgBankCount = header.prgUnits;
    banks.chrBankCount = 2 * header.chrUnits;
    MapChrBanks(0, 0, k8K);
    MapPrgBanks(0x8000, 0, 2 * k8K);
    MapPrgBanks(0xC000, banks.prgBankCount - 1, 2 * k8K);
    mmc2.mmc2Latch0 = kLatchFE;
    mmc2.mmc2Latch1 = kLatchFE;
}

void SetupMmc2(const BoardHeader& header) {
    mmc2 = {};
    SetPpuPages(0, 7, Mmc2LatchRead, ChrDataWrite(header));
    SetCpuPages(8, 15, PrgPageRead, Mmc2Write);
    banks.prgBankCount = 2 * header.prgUnits;
    banks.chrBankCount = 2 * header.chrUnits;
    MapChrBanks(0, 0, k8K);
    // The switched window shows bank 0 until the game's first $A000 write.
    MapPrgBanks(0x8000, 0, k8K);
    MapPrgBanks(0xA000, banks.prgBankCount - 3, k8K);
    MapPrgBanks(0xC000, banks.prgBankCount - 2, k8K);
    MapPrgBanks(0xE000, banks.prgBankCount - 1, k8K);
    mmc2.mmc2Latch0 = kLatchFE;
    mmc2.mmc2Latch1 = kLatchFE;
}

// The values a saved capture of the registers may hold.

bool Mmc2Fits(const Mmc2State& m, std::string& why) {
    return AllHold(
        {
            {m.mmc2PrgBank <= 0x0F, "MMC2 PRG bank"},
            {m.mmc2ChrFD0 <= 0xFF && m.mmc2ChrFE0 <= 0xFF && m.mmc2ChrFD1 <= 0xFF &&
                 m.mmc2ChrFE1 <= 0xFF,
             "MMC2 CHR registers"},
            {(m.mmc2Latch0 == 0xFD || m.mmc2Latch0 == 0xFE) &&
                 (m.mmc2Latch1 == 0xFD || m.mmc2Latch1 == 0xFE),
             "MMC2 latches"},
        },
        why);
}

}  // namespace morvel
