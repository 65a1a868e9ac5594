// MMC1 (mapper 1). The game shifts a 5-bit value in through bit 0 of five
// writes; the address of the fifth write picks the register. A write with
// bit 7 set resets the shift register and forces PRG mode 3.
#include "cart/mmc1.h"

#include <cstring>

#include "cart/board.h"
#include "core/cpu.h"
#include "core/memory_map.h"
#include "core/state_rules.h"

namespace morvel {

Mmc1State mmc1;

namespace {

constexpr uint32_t k4K = 0x1000;
constexpr uint32_t k8K = 0x2000;
constexpr uint32_t k16K = 0x4000;
constexpr uint32_t k32K = 0x8000;

// Control bits 0-1 to the framework's mirroring modes.
// clang-format off
const uint32_t kMmc1Mirroring[4] = {
    kMirrorSingleLower,  // 0 one-screen, page 0
    kMirrorSingleUpper,  // 1 one-screen, page 1
    kMirrorVertical,     // 2 vertical
    kMirrorHorizontal,   // 3 horizontal
};
// clang-format on

void WriteChrBank0(uint8_t v) {
    mmc1.mmc1LastValue = v;
    if (mmc1.mmc1Chr4k)
        MapChrBanks(0x0000, v & (banks.chrBankCount - 1), k4K);
    else
        MapChrBanks(0x0000, (v >> 1) & (banks.chrBankCount / 2 - 1), k8K);
}

void WriteChrBank1(uint8_t v) {
    if (!mmc1.mmc1Chr4k) return;  // one 8 KB bank: the upper register is unused
    mmc1.mmc1LastValue = v;
    MapChrBanks(0x1000, v & (banks.chrBankCount - 1), k4K);
}

// Bits 0-3 choose the bank; bit 4 set write-protects the work RAM.
void WritePrgBank(uint8_t v) {
    uint8_t bank = v & 0x0F;
    mmc1.mmc1LastValue = bank;
    workRamBlock.prgRamWritable = (v & 0x10) ? 0 : 1;
    bool fixedMode = (mmc1.mmc1Control & 0x08) != 0;
    bool switchLow = (mmc1.mmc1Control & 0x04) != 0;
    if (fixedMode && switchLow)
        MapPrgBanks(0x8000, bank & (banks.prgBankCount - 1), k16K);
    else if (fixedMode)
        MapPrgBanks(0xC000, bank & (banks.prgBankCount - 1), k16K);
    else
        MapPrgBanks(0x8000, (bank >> 1) & (banks.prgBankCount / 2 - 1), k32K);
}

}  // namespace

void Mmc1ApplyControl(uint8_t control) {
    SetMirroring(kMmc1Mirroring[control & 3]);
    switch ((control >> 2) & 3) {
        case 2: MapPrgBanks(0x8000, 0, k16K); break;
        case 3: MapPrgBanks(0xC000, banks.prgBankCount - 1, k16K); break;
        default: break;  // 32 KB mode: the bank changes at the next PRG write
    }
    mmc1.mmc1Chr4k = control & 0x10;
}

// The MMC1 takes only the first of writes on consecutive CPU cycles: the
// double write of a read-modify-write instruction on its registers counts once.
void Mmc1Write(uint32_t address, uint8_t value) {
    if (CpuWriteFollowsWrite()) return;
    if (value & 0x80) {
        mmc1.mmc1Shift = 0;
        mmc1.mmc1ShiftCount = 0;
        mmc1.mmc1Control |= 0x0C;
        Mmc1ApplyControl(mmc1.mmc1Control);
        return;
    }
    // The count is at most 4 here; the mask keeps a restored one from
    // shifting past the register.
    mmc1.mmc1Shift |= static_cast<uint8_t>((value & 1) << (mmc1.mmc1ShiftCount & 7));
    if (++mmc1.mmc1ShiftCount < 5) return;

    uint8_t v = mmc1.mmc1Shift & 0x1F;
    mmc1.mmc1LastValue = mmc1.mmc1Shift;
    mmc1.mmc1Shift = 0;
    mmc1.mmc1ShiftCount = 0;
    switch ((address >> 13) & 3) {
        case 0:  // $8000-$9FFF
            mmc1.mmc1Control = v;
            Mmc1ApplyControl(v);
            break;
        case 1: WriteChrBank0(v); break;  // $A000-$BFFF
        case 2: WriteChrBank1(v); break;  // $C000-$DFFF
        case 3: WritePrgBank(v); break;   // $E000-$FFFF
    }
}

void SetupMmc1(const BoardHeader& header) {
    std::memset(&mmc1, 0, sizeof mmc1);
    SetCpuPages(8, 15, PrgPageRead, Mmc1Write);
    banks.chrBankCount = 2 * header.chrUnits;
    banks.prgBankCount = header.prgUnits;
    MapChrBanks(0, 0, k8K);
    MapPrgBanks(0x8000, 0, k16K);
    MapPrgBanks(0xC000, header.prgUnits - 1, k16K);
}

// The arrangement follows the restored control register; the banks are
// already back from the bank numbers.
void Mmc1AfterStateLoad() {
    SetMirroring(kMmc1Mirroring[mmc1.mmc1Control & 3]);
}

// Power-on control $0C: one-screen page 0 replaces the header's mirroring
// until the game writes the control register.
void Mmc1AfterMirroring() {
    mmc1.mmc1Shift = 0;
    mmc1.mmc1ShiftCount = 0;
    mmc1.mmc1Control = 0x0C;
    Mmc1ApplyControl(mmc1.mmc1Control);
}

// The values a saved capture of the registers may hold.

bool Mmc1Fits(const Mmc1State& m, std::string& why) {
    return AllHold(
        {
            {m.mmc1Control <= 0x1F, "MMC1 control"},
            {m.mmc1LastValue <= 0x1F, "MMC1 register value"},
            {m.mmc1ShiftCount <= 4, "MMC1 shift count"},
            {m.mmc1Shift < (1u << (m.mmc1ShiftCount & 7)), "MMC1 shift register"},
            {Flag(m.mmc1Chr4k, 0x10), "MMC1 CHR mode"},
        },
        why);
}

}  // namespace morvel
