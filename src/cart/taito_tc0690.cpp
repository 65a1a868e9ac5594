// Taito TC0690 (mapper 48). The counter works as the MMC3's does (a clock
// reloads it when it is 0 or a reload was asked for, else counts it down;
// reaching 0 with the interrupt enabled interrupts), with two differences:
// the chip takes the reload value inverted ($C000 = $06 counts as the MMC3's
// $F9), and its interrupt comes four CPU cycles after the MMC3's would.
#include "cart/taito_tc0690.h"

#include <algorithm>

#include "cart/a12_watch.h"
#include "cart/board.h"
#include "cart/board_clock.h"
#include "core/cpu.h"
#include "core/state_rules.h"

namespace morvel {

Tc0690State tc0690;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k2K = 0x800;
constexpr uint32_t k8K = 0x2000;
constexpr uint64_t kIrqDelay = 4;

void ClockCounter() {
    if (tc0690.irqCounter == 0 || tc0690.irqReload) {
        tc0690.irqCounter = tc0690.irqLatch;
        tc0690.irqReload = 0;
    } else {
        --tc0690.irqCounter;
    }
    if (tc0690.irqCounter == 0 && tc0690.irqEnabled) {
        tc0690.irqAt = cpuCycle.cycles + kIrqDelay;
        boardClock.nextEvent = std::min(boardClock.nextEvent, tc0690.irqAt);
        CpuRecheckDuties();
    }
}

void WriteIrqRegister(uint32_t reg, uint8_t value) {
    BoardCatchUp();
    switch (reg) {
        case 0xC000: tc0690.irqLatch = static_cast<uint8_t>(value ^ 0xFF); break;
        case 0xC001:
            tc0690.irqCounter = 0;
            tc0690.irqReload = 1;
            break;
        case 0xC002: tc0690.irqEnabled = 1; break;
        default:  // $C003: disables and acknowledges
            tc0690.irqEnabled = 0;
            tc0690.irqAt = 0;
            ReleaseIrq(kIrqBoard);
            break;
    }
    BoardResyncClock();
}

void Tc0690Write(uint32_t address, uint8_t value) {
    const uint32_t reg = address & 0xE003;
    switch (reg) {
        case 0x8000:
        case 0x8001:
            tc0690.prg[reg & 1] = value;
            MapPrgBanks(0x8000 + (reg & 1) * k8K, value, k8K);
            break;
        case 0x8002:
        case 0x8003:  // 2 KB units: the low bit counts
            tc0690.chr[reg & 1] = value;
            MapChrBanks((reg & 1) * k2K, value, k2K);
            break;
        case 0xA000:
        case 0xA001:
        case 0xA002:
        case 0xA003:
            tc0690.chr[2 + (reg & 3)] = value;
            MapChrBanks(0x1000 + (reg & 3) * k1K, value, k1K);
            break;
        case 0xE000:  // bit 6: 0 vertical, 1 horizontal
            tc0690.mirroring = (value & 0x40) ? kMirrorHorizontal : kMirrorVertical;
            SetMirroring(tc0690.mirroring);
            break;
        default:
            if (reg >= 0xC000 && reg <= 0xC003) WriteIrqRegister(reg, value);
            break;
    }
}

}  // namespace

// Only a due interrupt happens in CPU time.
void Tc0690RunTo(uint64_t last) {
    if (tc0690.irqAt != 0 && last >= tc0690.irqAt) {
        AssertIrq(kIrqBoard);
        tc0690.irqAt = 0;
    }
    boardClock.done = last;
    boardClock.nextEvent = tc0690.irqAt ? tc0690.irqAt : kBoardNever;
}

void Tc0690WatchA12(uint32_t address) {
    if ((address & 0x1000) && !(tc0690.lastPpuAddr & 0x1000)) ClockCounter();
    tc0690.lastPpuAddr = static_cast<uint16_t>(address & 0x3FFF);
}

uint32_t Tc0690RisesToIrq() {
    return Mmc3StyleRisesToIrq(tc0690.irqEnabled != 0, tc0690.irqCounter, tc0690.irqLatch,
                               tc0690.irqReload != 0);
}

void SetupTc0690(const BoardHeader& header) {
    tc0690 = {};
    tc0690.mirroring = static_cast<uint8_t>(header.mirroring);
    tc0690.prg[1] = 1;
    CountBanks8kPrg1kChr(header);
    SetCpuPages(8, 15, PrgPageRead, Tc0690Write);
    SetWatchedPatternPages<Tc0690WatchA12>(header);
    MapPrg8kBanks(0, 1, banks.prgBankCount - 2, banks.prgBankCount - 1);
    MapChrBanks(0, 0, k8K);
}

void Tc0690AfterStateLoad() {
    SetMirroring(tc0690.mirroring);
}

bool Tc0690Fits(const Tc0690State& s, std::string& why) {
    return AllHold(
        {
            {s.mirroring <= kMirrorFourScreen, "TC0690 mirroring"},
            {s.irqReload <= 1 && s.irqEnabled <= 1, "TC0690 counter flags"},
            {s.lastPpuAddr <= 0x3FFF, "TC0690 last PPU address"},
        },
        why);
}

}  // namespace morvel
