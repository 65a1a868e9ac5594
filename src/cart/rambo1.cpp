// Tengen RAMBO-1 (mapper 64). Bank select bit 7 swaps the pattern halves,
// bit 6 swaps the $8000 and $C000 windows, bit 5 splits the two 2 KB banks
// into four 1 KB banks (R0, R8, R1, R9). The interrupt counter: on a clock,
// a $C001 write since the last clock loads the latch plus one, a counter at
// 0 loads the latch; the counter then counts down, and reaching 0 with the
// interrupt enabled pulls the IRQ line one CPU cycle later.
#include "cart/rambo1.h"

#include <algorithm>

#include "cart/a12_watch.h"
#include "cart/board.h"
#include "cart/board_clock.h"
#include "core/cpu.h"
#include "core/state_rules.h"

namespace morvel {

Rambo1State rambo1;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k2K = 0x800;
constexpr uint32_t k8K = 0x2000;

void ApplyBanks() {
    const uint8_t* r = rambo1.regs;
    const uint32_t flip = (rambo1.bankSelect & 0x80) ? 0x1000 : 0;
    if (rambo1.bankSelect & 0x20) {
        MapChrBanks(0x0000 ^ flip, r[0], k1K);
        MapChrBanks(0x0400 ^ flip, r[8], k1K);
        MapChrBanks(0x0800 ^ flip, r[1], k1K);
        MapChrBanks(0x0C00 ^ flip, r[9], k1K);
    } else {
        MapChrBanks(0x0000 ^ flip, r[0] >> 1, k2K);
        MapChrBanks(0x0800 ^ flip, r[1] >> 1, k2K);
    }
    for (uint32_t i = 0; i < 4; ++i) MapChrBanks((0x1000 + i * k1K) ^ flip, r[2 + i], k1K);
    const bool swap = rambo1.bankSelect & 0x40;
    MapPrgBanks(0x8000, swap ? r[15] : r[6], k8K);
    MapPrgBanks(0xA000, r[7], k8K);
    MapPrgBanks(0xC000, swap ? r[6] : r[15], k8K);
}

// One clock of the counter, in CPU cycle `cycle`.
void ClockCounter(uint64_t cycle) {
    uint32_t count = rambo1.irqCounter;
    if (rambo1.irqReload) {
        count = rambo1.irqLatch + 1u;
        rambo1.irqReload = 0;
    } else if (count == 0) {
        count = rambo1.irqLatch;
    }
    rambo1.irqCounter = static_cast<uint8_t>(count - 1);
    if (rambo1.irqCounter == 0 && rambo1.irqEnabled) {
        rambo1.irqAt = cycle + 1;
        boardClock.nextEvent = std::min(boardClock.nextEvent, rambo1.irqAt);
        CpuRecheckDuties();
    }
}

// The clocks until the counter next reaches 0.
uint32_t ClocksToZero() {
    if (rambo1.irqReload) return rambo1.irqLatch + 1u;
    if (rambo1.irqCounter == 0) return rambo1.irqLatch ? rambo1.irqLatch : 256u;
    return rambo1.irqCounter;
}

void WriteIrqRegister(uint32_t reg, uint8_t value) {
    BoardCatchUp();
    switch (reg) {
        case 0xC000: rambo1.irqLatch = value; break;
        case 0xC001:
            rambo1.irqCpuMode = value & 1;
            rambo1.irqReload = 1;
            rambo1.prescaler = 0;
            break;
        case 0xE000:
            rambo1.irqEnabled = 0;
            rambo1.irqAt = 0;
            ReleaseIrq(kIrqBoard);
            break;
        default: rambo1.irqEnabled = 1; break;  // $E001
    }
    BoardResyncClock();
}

void Rambo1Write(uint32_t address, uint8_t value) {
    const uint32_t reg = address & 0xE001;
    switch (reg) {
        case 0x8000:
            rambo1.bankSelect = value;
            ApplyBanks();
            break;
        case 0x8001:
            rambo1.regs[rambo1.bankSelect & 0x0F] = value;
            ApplyBanks();
            break;
        case 0xA000:
            rambo1.mirroring = (value & 1) ? kMirrorHorizontal : kMirrorVertical;
            SetMirroring(rambo1.mirroring);
            break;
        case 0xA001: break;  // no work RAM on this board
        default: WriteIrqRegister(reg, value); break;
    }
}

}  // namespace

// A due interrupt; in CPU mode also a clock every fourth cycle, stepped.
void Rambo1RunTo(uint64_t last) {
    if (!rambo1.irqCpuMode) {
        if (rambo1.irqAt != 0 && last >= rambo1.irqAt) {
            AssertIrq(kIrqBoard);
            rambo1.irqAt = 0;
        }
    } else {
        for (uint64_t cycle = boardClock.done + 1; cycle <= last; ++cycle) {
            if (rambo1.irqAt != 0 && cycle >= rambo1.irqAt) {
                AssertIrq(kIrqBoard);
                rambo1.irqAt = 0;
            }
            if (++rambo1.prescaler == 4) {
                rambo1.prescaler = 0;
                ClockCounter(cycle);
            }
        }
    }
    boardClock.done = last;
    uint64_t next = rambo1.irqAt ? rambo1.irqAt : kBoardNever;
    if (rambo1.irqCpuMode && rambo1.irqEnabled)
        next = std::min<uint64_t>(next, last + (4 - rambo1.prescaler) + 4 * (ClocksToZero() - 1));
    boardClock.nextEvent = next;
}

void Rambo1WatchA12(uint32_t address) {
    if ((address & 0x1000) && !(rambo1.lastPpuAddr & 0x1000) && !rambo1.irqCpuMode)
        ClockCounter(cpuCycle.cycles);
    rambo1.lastPpuAddr = static_cast<uint16_t>(address & 0x3FFF);
}

uint32_t Rambo1RisesToIrq() {
    if (!rambo1.irqEnabled || rambo1.irqCpuMode) return 0;
    return ClocksToZero();
}

void SetupRambo1(const BoardHeader& header) {
    rambo1 = {};
    rambo1.mirroring = static_cast<uint8_t>(header.mirroring);
    CountBanks8kPrg1kChr(header);
    rambo1.regs[7] = 1;
    rambo1.regs[15] = static_cast<uint8_t>(banks.prgBankCount - 2);
    SetCpuPages(8, 15, PrgPageRead, Rambo1Write);
    SetWatchedPatternPages<Rambo1WatchA12>(header);
    ApplyBanks();
    MapPrgBanks(0xE000, banks.prgBankCount - 1, k8K);
}

void Rambo1AfterStateLoad() {
    SetMirroring(rambo1.mirroring);
}

bool Rambo1Fits(const Rambo1State& s, std::string& why) {
    return AllHold(
        {
            {s.mirroring <= kMirrorFourScreen, "RAMBO-1 mirroring"},
            {s.irqReload <= 1 && s.irqCpuMode <= 1 && s.irqEnabled <= 1, "RAMBO-1 counter flags"},
            {s.prescaler <= 3, "RAMBO-1 prescaler"},
            {s.lastPpuAddr <= 0x3FFF, "RAMBO-1 last PPU address"},
        },
        why);
}

}  // namespace morvel
