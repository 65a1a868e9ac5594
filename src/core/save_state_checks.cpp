#include "core/save_state_checks.h"

#include <cstring>

#include "apu/apu_state.h"
#include "cart/board.h"
#include "cart/cartridge.h"
#include "cart/mmc5.h"
#include "core/save_state.h"

namespace morvel {

namespace {

bool Fail(std::string& why, const char* text) {
    why = text;
    return false;
}

bool BanksFit(const BankNumbers& b, std::string& why) {
    for (int page = 8; page < 16; ++page)
        if (b.prgPageBank[page] >= prgUnitCount)
            return Fail(why, "a PRG bank lies beyond this cartridge's program");
    for (int page = 0; page < 8; ++page)
        if (b.chrPageBank[page] >= chrUnitCount)
            return Fail(why, "a CHR bank lies beyond this cartridge's pattern data");
    return true;
}

bool PpuFits(const PpuState& p, std::string& why) {
    bool fits = p.scanline >= 0 && p.scanline <= 261 && p.dot >= 0 && p.dot <= 340 &&
                p.foundSprites <= 8 && p.lineSpriteCount <= 8 && p.fetchSlot <= 7 && p.fineX <= 7 &&
                p.oamAddr <= 0xFF && p.evalIndex <= 63 &&
                (p.spriteHeightMinus1 == 7 || p.spriteHeightMinus1 == 15) &&
                (p.bgPatternBase == 0 || p.bgPatternBase == 0x1000) &&
                (p.spritePatternBase == 0 || p.spritePatternBase == 0x1000) && p.ppuCyclesDone >= 0;
    return fits || Fail(why, "the picture unit's counters are out of range");
}

bool SamplesFit(const SampleStage& s, std::string& why) {
    return s.sampleCount <= kSampleBufferLength || Fail(why, "the sample count is out of range");
}

bool Mmc5Fits(const Mmc5State& m, std::string& why) {
    for (int page = 0; page < 16; ++page)
        if (m.mmc5PageIsRam[page] > 1 || m.mmc5PrgPageBank[page] >= sizeof m.mmc5PrgRam / 4096)
            return Fail(why, "an MMC5 RAM bank lies beyond its 64 KB");
    return true;
}

}  // namespace

bool SlotFitsCartridge(const StateSlot& slot, const uint8_t* boardExtras, std::string& why) {
    if (!BanksFit(slot.banks, why) || !PpuFits(slot.ppu, why) || !SamplesFit(slot.samples, why))
        return false;
    if (mapperNumber == 5 && boardExtras) {
        Mmc5State saved;
        std::memcpy(&saved, boardExtras, sizeof saved);
        if (!Mmc5Fits(saved, why)) return false;
    }
    return true;
}

}  // namespace morvel
