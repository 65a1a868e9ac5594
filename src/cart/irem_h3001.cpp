// Irem H3001 (mapper 65). $9000 bit 7 swaps the first switched window with
// the fixed second-last bank, like the MMC3's PRG mode. The counter loads
// from a separate reload value on a $9004 write and, while enabled, counts
// down once per CPU cycle to 0, where it interrupts and stays.
#include "cart/irem_h3001.h"

#include "cart/board.h"
#include "cart/board_clock.h"
#include "core/cpu.h"
#include "core/state_rules.h"

namespace morvel {

H3001State h3001;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k8K = 0x2000;

void MapPrg() {
    const uint32_t secondLast = banks.prgBankCount - 2;
    MapPrgBanks(0x8000, h3001.prgSwap ? secondLast : h3001.prg[0], k8K);
    MapPrgBanks(0xA000, h3001.prg[1], k8K);
    MapPrgBanks(0xC000, h3001.prgSwap ? h3001.prg[0] : secondLast, k8K);
}

// $9001 bits 7-6: 00 vertical, 10 horizontal, x1 one screen (the lower page).
void WriteMirroring(uint8_t value) {
    static const uint8_t kModes[4] = {kMirrorVertical, kMirrorSingleLower, kMirrorHorizontal,
                                      kMirrorSingleLower};
    h3001.mirroring = kModes[value >> 6];
    SetMirroring(h3001.mirroring);
}

// The counter's registers: the board is run up to the write first, so the
// change takes effect from the next cycle on.
void WriteCounter(uint32_t reg, uint8_t value) {
    BoardCatchUp();
    switch (reg) {
        case 3:  // enable; acknowledges
            h3001.irqEnabled = value >> 7;
            ReleaseIrq(kIrqBoard);
            break;
        case 4:  // reload; acknowledges
            h3001.counter = h3001.reload;
            ReleaseIrq(kIrqBoard);
            break;
        case 5: h3001.reload = static_cast<uint16_t>((h3001.reload & 0x00FF) | value << 8); break;
        case 6: h3001.reload = static_cast<uint16_t>((h3001.reload & 0xFF00) | value); break;
        default: return;
    }
    BoardResyncClock();
}

void H3001Write(uint32_t address, uint8_t value) {
    switch (address & 0xF000) {
        case 0x8000:
            h3001.prg[0] = value;
            MapPrg();
            break;
        case 0xA000:
            h3001.prg[1] = value;
            MapPrg();
            break;
        case 0x9000:
            switch (address & 7) {
                case 0:
                    h3001.prgSwap = value >> 7;
                    MapPrg();
                    break;
                case 1: WriteMirroring(value); break;
                default: WriteCounter(address & 7, value); break;
            }
            break;
        case 0xB000:
            h3001.chr[address & 7] = value;
            MapChrBanks((address & 7) * k1K, value, k1K);
            break;
        default: break;
    }
}

}  // namespace

// Closed form: the counter reaches 0 `counter` cycles after the last one run.
void H3001RunTo(uint64_t last) {
    const uint64_t cycles = last - boardClock.done;
    if (h3001.irqEnabled && h3001.counter != 0) {
        if (cycles >= h3001.counter) {
            h3001.counter = 0;
            AssertIrq(kIrqBoard);
        } else {
            h3001.counter = static_cast<uint16_t>(h3001.counter - cycles);
        }
    }
    boardClock.done = last;
    boardClock.nextEvent =
        h3001.irqEnabled && h3001.counter != 0 ? last + h3001.counter : kBoardNever;
}

// Power-on: $8000 shows bank 0 and $A000 bank 1 (games rely on it).
void SetupH3001(const BoardHeader& header) {
    h3001 = {};
    h3001.prg[1] = 1;
    h3001.mirroring = static_cast<uint8_t>(header.mirroring);
    CountBanks8kPrg1kChr(header);
    SetCpuPages(8, 15, PrgPageRead, H3001Write);
    MapPrg();
    MapPrgBanks(0xE000, banks.prgBankCount - 1, k8K);
    for (uint32_t page = 0; page < 8; ++page) MapChrBanks(page * k1K, 0, k1K);
}

void H3001AfterStateLoad() {
    SetMirroring(h3001.mirroring);
}

bool H3001Fits(const H3001State& s, std::string& why) {
    return AllHold(
        {
            {s.prgSwap <= 1, "H3001 PRG layout"},
            {s.mirroring <= kMirrorFourScreen, "H3001 mirroring"},
            {s.irqEnabled <= 1, "H3001 interrupt enable"},
        },
        why);
}

}  // namespace morvel
