// VRC6 (mappers 24 and 26). The registers decode A0, A1 and A12-A15 only; the
// two boards differ in which CPU line reaches the chip's A0 and A1. Its clock
// (the CPU's M2) runs both the interrupt counter and the sound.
#include "cart/vrc6.h"

#include <algorithm>
#include <cmath>

#include "cart/board.h"
#include "cart/board_clock.h"
#include "core/memory_map.h"
#include "core/state_rules.h"

namespace morvel {

Vrc6State vrc6;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k8K = 0x2000;
constexpr uint32_t k16K = 0x4000;

constexpr uint8_t kEnabled = 0x80;  // bit 7 of a channel's $x002
constexpr uint8_t kHalt = 1;        // $9003 bits
constexpr uint8_t kSixteenTimes = 2;
constexpr uint8_t kTwoHundredFiftySixTimes = 4;
constexpr uint8_t kWorkRam = 0x80;     // $B003 bits
constexpr uint8_t kPatternA10 = 0x20;  // 2 KB banks take A10 from the PPU

// The chip's DAC is linear; a pulse at volume 15 is about as loud as an APU
// pulse at full volume, so one step is a fifteenth of that pulse's level.
constexpr float kStepLevel = static_cast<float>(kApuPulseFullLevel / 15.0);

// A 2 KB pattern bank from register r at 1 KB pages `page` and `page + 1`.
void MapTwoKilobytes(uint32_t page, uint8_t r) {
    const bool a10 = (vrc6.ppuStyle & kPatternA10) != 0;
    MapChrBanks(page * k1K, a10 ? (r & ~1u) : r, k1K);
    MapChrBanks((page + 1) * k1K, a10 ? (r | 1u) : r, k1K);
}

// $B003 bits 0-1: mode 0 eight 1 KB banks, mode 1 four 2 KB banks, modes 2
// and 3 four 1 KB banks then two 2 KB banks. Nametables from CHR ROM (bit 4)
// are not wired: the console's nametables are always used.
void ApplyPatterns() {
    switch (vrc6.ppuStyle & 3) {
        case 0:
            for (uint32_t i = 0; i < 8; ++i) MapChrBanks(i * k1K, vrc6.chr[i], k1K);
            break;
        case 1:
            for (uint32_t i = 0; i < 4; ++i) MapTwoKilobytes(2 * i, vrc6.chr[i]);
            break;
        default:
            for (uint32_t i = 0; i < 4; ++i) MapChrBanks(i * k1K, vrc6.chr[i], k1K);
            MapTwoKilobytes(4, vrc6.chr[4]);
            MapTwoKilobytes(6, vrc6.chr[5]);
            break;
    }
}

void ApplyPpuStyle() {
    ApplyPatterns();
    SetMirroring(kTwoBitMirroring[(vrc6.ppuStyle >> 2) & 3]);  // $B003 bits 2-3
    workRamBlock.prgRamEnabled = (vrc6.ppuStyle & kWorkRam) ? 1 : 0;
}

// The 12-bit period, shifted right 4 or 8 bits by $9003.
uint32_t Period(uint8_t low, uint8_t high) {
    uint32_t period = static_cast<uint32_t>(high & 0x0F) << 8 | low;
    if (vrc6.soundScale & kTwoHundredFiftySixTimes)
        period >>= 8;
    else if (vrc6.soundScale & kSixteenTimes)
        period >>= 4;
    return period;
}

int PulseOutput(const Vrc6Pulse& p) {
    if (!(p.periodHigh & kEnabled)) return 0;
    const int volume = p.control & 0x0F;
    if (p.control & 0x80) return volume;  // duty ignored: the volume is the output
    return p.step <= ((p.control >> 4) & 7) ? volume : 0;
}

int SawOutput(const Vrc6Saw& s) {
    return (s.periodHigh & kEnabled) ? s.accumulator >> 3 : 0;
}

float Level() {
    return static_cast<float>(PulseOutput(vrc6.pulse[0]) + PulseOutput(vrc6.pulse[1]) +
                              SawOutput(vrc6.saw)) *
           kStepLevel;
}

// A divider reaches 0 and reloads once every period + 1 cycles; each time
// its channel takes a step. A pulse steps from 15 down to 0; the sawtooth
// adds its rate on every second step and clears on the fourteenth.
void StepPulse(Vrc6Pulse& p) {
    p.step = static_cast<uint8_t>((p.step - 1) & 15);
}

void StepSaw(Vrc6Saw& s) {
    if (++s.step == 14) {
        s.step = 0;
        s.accumulator = 0;
    } else if ((s.step & 1) == 0) {
        s.accumulator = static_cast<uint8_t>(s.accumulator + s.rate);
    }
}

// Runs the channels `cycles` on, mixing each stretch of constant output in
// one go; stretches end where a divider reloads.
void RunSound(uint64_t cycles) {
    Vrc6Pulse* pulses[2] = {&vrc6.pulse[0], &vrc6.pulse[1]};
    Vrc6Saw& saw = vrc6.saw;
    const bool halted = (vrc6.soundScale & kHalt) != 0;
    while (cycles > 0) {
        uint64_t run = std::min<uint64_t>(cycles, 1u << 20);
        if (!halted) {
            for (Vrc6Pulse* p : pulses)
                if (p->periodHigh & kEnabled) run = std::min<uint64_t>(run, p->divider + 1u);
            if (saw.periodHigh & kEnabled) run = std::min<uint64_t>(run, saw.divider + 1u);
        }
        MixExpansion(vrc6.mix, Level(), static_cast<uint32_t>(run));
        cycles -= run;
        if (halted) continue;
        for (Vrc6Pulse* p : pulses) {
            if (!(p->periodHigh & kEnabled)) continue;
            if (run == p->divider + 1u) {
                p->divider = static_cast<uint16_t>(Period(p->periodLow, p->periodHigh));
                StepPulse(*p);
            } else {
                p->divider = static_cast<uint16_t>(p->divider - run);
            }
        }
        if (saw.periodHigh & kEnabled) {
            if (run == saw.divider + 1u) {
                saw.divider = static_cast<uint16_t>(Period(saw.periodLow, saw.periodHigh));
                StepSaw(saw);
            } else {
                saw.divider = static_cast<uint16_t>(saw.divider - run);
            }
        }
    }
}

// Clearing E silences a channel and puts it back at the start of its wave.
void WritePulseHigh(Vrc6Pulse& p, uint8_t v) {
    p.periodHigh = v;
    if (!(v & kEnabled)) p.step = 15;
}

void WriteSawHigh(uint8_t v) {
    vrc6.saw.periodHigh = v;
    if (!(v & kEnabled)) {
        vrc6.saw.step = 0;
        vrc6.saw.accumulator = 0;
    }
}

void WriteSound(uint32_t reg, uint8_t v) {
    BoardCatchUp();
    Vrc6Pulse& p = vrc6.pulse[reg >= 0xA000 ? 1 : 0];
    switch (reg) {
        case 0x9000:
        case 0xA000: p.control = v; break;
        case 0x9001:
        case 0xA001: p.periodLow = v; break;
        case 0x9002:
        case 0xA002: WritePulseHigh(p, v); break;
        case 0x9003: vrc6.soundScale = v & 7; break;
        case 0xB000: vrc6.saw.rate = v & 0x3F; break;
        case 0xB001: vrc6.saw.periodLow = v; break;
        case 0xB002: WriteSawHigh(v); break;
        default: break;  // $A003: no register
    }
}

// `reg` is the address as mapper 24 wires it: A12-A15 and A0-A1.
void WriteRegister(uint32_t reg, uint8_t v) {
    if ((reg & 0xF000) == 0x8000) {
        vrc6.prg16 = v & 0x0F;
        MapPrgBanks(0x8000, vrc6.prg16, k16K);
        return;
    }
    if ((reg & 0xF000) == 0xC000) {
        vrc6.prg8 = v & 0x1F;
        MapPrgBanks(0xC000, vrc6.prg8, k8K);
        return;
    }
    switch (reg) {
        case 0xB003:
            vrc6.ppuStyle = v;
            ApplyPpuStyle();
            break;
        case 0xF000: VrcIrqWriteLatch(vrc6.irq, v); break;
        case 0xF001: VrcIrqWriteControl(vrc6.irq, v); break;
        case 0xF002: VrcIrqAcknowledge(vrc6.irq); break;
        case 0xF003: break;
        default:
            if (reg >= 0xD000) {
                vrc6.chr[(reg >= 0xE000 ? 4 : 0) | (reg & 3)] = v;  // $D000-$D003, $E000-$E003
                ApplyPatterns();
            } else {
                WriteSound(reg, v);
            }
            break;
    }
}

template <bool kSwapped>
void Vrc6Write(uint32_t address, uint8_t v) {
    uint32_t reg = address & 0xF003;
    if (kSwapped) reg = (reg & 0xF000) | ((reg & 1) << 1) | ((reg >> 1) & 1);
    WriteRegister(reg, v);
}

void SetupVrc6(const BoardHeader& header, CpuWriteHandler write) {
    vrc6 = {};
    VrcIrqPowerOn(vrc6.irq);
    for (uint8_t i = 0; i < 8; ++i) vrc6.chr[i] = i;
    vrc6.pulse[0].step = vrc6.pulse[1].step = 15;
    // Until the game writes $B003: work RAM on, the header's arrangement.
    vrc6.ppuStyle = kWorkRam | (header.mirroring == kMirrorHorizontal ? 0x04 : 0x00);
    SetCpuPages(8, 15, PrgPageRead, write);
    CountBanks8kPrg1kChr(header);
    MapPrgBanks(0x8000, 0, k16K);
    MapPrgBanks(0xC000, 0, k8K);
    MapPrgBanks(0xE000, banks.prgBankCount - 1, k8K);
    ApplyPatterns();
}

}  // namespace

void SetupVrc6a(const BoardHeader& header) {
    SetupVrc6(header, Vrc6Write<false>);
}

void SetupVrc6b(const BoardHeader& header) {
    SetupVrc6(header, Vrc6Write<true>);
}

// The page tables keep the banks and the work RAM block its enable; the
// nametables follow $B003.
void Vrc6AfterStateLoad() {
    SetMirroring(kTwoBitMirroring[(vrc6.ppuStyle >> 2) & 3]);  // $B003 bits 2-3
}

void Vrc6RunTo(uint64_t last) {
    VrcIrqRunTo(vrc6.irq, last, RunSound);
}

bool Vrc6Fits(const Vrc6State& s, std::string& why) {
    bool channels = s.saw.step <= 13 && s.saw.rate <= 0x3F && s.saw.divider <= 0xFFF;
    for (const Vrc6Pulse& p : s.pulse) channels = channels && p.step <= 15 && p.divider <= 0xFFF;
    return AllHold({{s.prg16 <= 0x0F && s.prg8 <= 0x1F, "VRC6 PRG banks"},
                    {s.soundScale <= 7, "VRC6 frequency scaling"},
                    {channels, "VRC6 sound channels"},
                    {ExpansionMixFits(s.mix), "VRC6 sample in progress"}},
                   why) &&
           VrcIrqFits(s.irq, why);
}

}  // namespace morvel
