// Sunsoft FME-7, 5A and 5B (mapper 69). The game writes a command number to
// $8000-$9FFF and then its parameter to $A000-$BFFF; the 5B's sound chip
// takes its register number at $C000-$DFFF and the value at $E000-$FFFF.
#include "cart/fme7.h"

#include <cstring>

#include "cart/board.h"
#include "cart/board_clock.h"
#include "core/cpu.h"
#include "core/state_rules.h"

namespace morvel {

Fme7State fme7;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k8K = 0x2000;
constexpr uint8_t kRamEnable = 0x80;
constexpr uint8_t kRamSelect = 0x40;
constexpr uint8_t kCounting = 0x80;
constexpr uint8_t kIrqEnable = 0x01;

// PRG ROM at $6000-$7FFF: the 8 KB bank of command 8, wrapped around the image.
uint8_t RomAt6000Read(uint32_t address) {
    const uint32_t unit = ((fme7.bank6000 & 0x3Fu) * 2 + ((address >> 12) & 1)) % prgUnitCount;
    return prgBase[size_t{unit} * 0x1000 + (address & 0xFFF)];
}

// Command 8 puts ROM or the work RAM at $6000. The RAM answers only while
// enabled; disabled, it leaves the data bus as it was and ignores writes.
void MapBank6000() {
    if (fme7.bank6000 & kRamSelect) {
        workRamBlock.prgRamEnabled = (fme7.bank6000 & kRamEnable) ? 1 : 0;
        workRamBlock.prgRamWritable = 1;
        SetCpuPages(6, 7, ReadWorkRam, WriteWorkRam);
    } else {
        SetCpuPages(6, 7, RomAt6000Read, IgnoreCpuWrite);
    }
}

// The counter changed: the board works out its next event again.
void CounterChanged() {
    BoardResyncClock();
}

void WriteParameter(uint8_t v) {
    const uint8_t command = fme7.command;
    if (command < 8) {
        MapChrBanks(command * k1K, v, k1K);
    } else if (command == 8) {
        fme7.bank6000 = v;
        MapBank6000();
    } else if (command < 12) {
        MapPrgBanks(0x8000 + (command - 9) * k8K, v & 0x3F, k8K);
    } else if (command == 12) {
        fme7.mirroring = v & 3;
        SetMirroring(kTwoBitMirroring[fme7.mirroring]);  // command 12
    } else {
        BoardCatchUp();
        if (command == 13) {
            // Any write here acknowledges the interrupt.
            fme7.irqControl = v & (kCounting | kIrqEnable);
            fme7.irqPending = 0;
            ReleaseIrq(kIrqBoard);
        } else if (command == 14) {
            fme7.irqCounter = static_cast<uint16_t>((fme7.irqCounter & 0xFF00) | v);
        } else {
            fme7.irqCounter = static_cast<uint16_t>((fme7.irqCounter & 0x00FF) | v << 8);
        }
        CounterChanged();
    }
}

void Fme7Write(uint32_t address, uint8_t v) {
    switch (address & 0xE000) {
        case 0x8000: fme7.command = v & 0x0F; break;
        case 0xA000: WriteParameter(v); break;
        case 0xC000: Sunsoft5bSelect(fme7.sound, v); break;
        default:
            BoardCatchUp();  // the sound so far plays with the old value
            Sunsoft5bWrite(fme7.sound, v);
            break;
    }
}

}  // namespace

// While counting, the counter goes down by one every CPU cycle; the cycle in
// which it wraps from $0000 to $FFFF raises the interrupt if it is enabled.
// It keeps counting after that, and the line stays low until acknowledged.
void Fme7RunTo(uint64_t last) {
    if (last > boardClock.done) {
        const uint64_t cycles = last - boardClock.done;
        if (fme7.irqControl & kCounting) {
            if (cycles > fme7.irqCounter && (fme7.irqControl & kIrqEnable) && !fme7.irqPending) {
                fme7.irqPending = 1;
                AssertIrq(kIrqBoard);
            }
            fme7.irqCounter = static_cast<uint16_t>(fme7.irqCounter - cycles);
        }
        RunSunsoft5b(fme7.sound, cycles);
    }
    boardClock.done = last;
    const bool armed = (fme7.irqControl & (kCounting | kIrqEnable)) == (kCounting | kIrqEnable);
    boardClock.nextEvent = armed && !fme7.irqPending ? last + fme7.irqCounter + 1 : kBoardNever;
}

void SetupFme7(const BoardHeader& header) {
    std::memset(&fme7, 0, sizeof fme7);
    ResetSunsoft5b(fme7.sound);
    fme7.mirroring = header.mirroring == kMirrorHorizontal ? 1 : 0;
    CountBanks8kPrg1kChr(header);
    SetCpuPages(8, 15, PrgPageRead, Fme7Write);
    MapPrgBanks(0x8000, 0, 3 * k8K);
    MapPrgBanks(0xE000, header.prgUnits * 2 - 1, k8K);
    MapBank6000();
}

void Fme7AfterStateLoad() {
    MapBank6000();
    SetMirroring(kTwoBitMirroring[fme7.mirroring & 3]);
}

bool Fme7Fits(const Fme7State& f, std::string& why) {
    return AllHold(
        {
            {f.command <= 15 && f.mirroring <= 3, "FME-7 command or mirroring"},
            {(f.irqControl & ~(kCounting | kIrqEnable)) == 0 && f.irqPending <= 1,
             "FME-7 interrupt control"},
            {Sunsoft5bFits(f.sound), "5B sound registers"},
        },
        why);
}

}  // namespace morvel
