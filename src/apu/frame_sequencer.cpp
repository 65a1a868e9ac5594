// The frame counter: quarter- and half-frame clocks at fixed CPU cycles after
// the $4017 write took effect, and the frame interrupt of the four-step mode.
#include "apu/channel_timers.h"
#include "core/cpu.h"

namespace morvel {

namespace {

// Raises the frame interrupt flag unless $4017 bit 6 inhibits it. The APU's
// part of a cycle comes before the CPU's access, so a $4015 read on a cycle
// that raises the flag sees it set (and clears it).
void RaiseFrameFlag() {
    if (apu.frameIrqInhibit) return;
    apu.frameIrqFlag = 1;
    AssertIrq(kIrqFrameCounter);
}

void HalfFrameAt(uint64_t cycle) {
    HalfFrameClock();
    apuCycle.halfFrameAt = cycle;
}

}  // namespace

// Count:        7457  14913  22371  29828  29829  29830     37281
// four-step:    Q     H      Q      F      H F    F, to 0   -
// five-step:    Q     H      Q      -      -      -         H, to 0 at 37282
// (Q quarter frame, H half frame with its quarter frame, F frame flag.)
// frameStep keeps the index of the step that comes next.
void FrameCounterEvent(uint32_t count, uint64_t cycle) {
    const bool five = apu.fiveStepMode != 0;
    switch (count) {
        case kStep1:
            QuarterFrameClock();
            apu.frameStep = 1;
            return;
        case kStep2:
            HalfFrameAt(cycle);
            apu.frameStep = 2;
            return;
        case kStep3:
            QuarterFrameClock();
            apu.frameStep = 3;
            return;
        default: break;
    }
    if (!five) {
        if (count == kFrameFlagFirst) {
            RaiseFrameFlag();
        } else if (count == kStep4) {
            HalfFrameAt(cycle);
            RaiseFrameFlag();
            apu.frameStep = 0;
        } else if (count == kFourStepEnd) {
            RaiseFrameFlag();
            apu.frameCycle = 0;
        } else if (count > kFourStepEnd) {
            apu.frameCycle = 0;  // a count only a damaged state file reaches
        }
    } else if (count == kFiveStepLast) {
        HalfFrameAt(cycle);
        apu.frameStep = 0;
    } else if (count >= kFiveStepEnd) {
        apu.frameCycle = 0;
    }
}

void RestartFrameCounter(uint64_t cycle) {
    apu.frameCycle = 0;
    apu.frameStep = 0;
    apu.fiveStepMode = apuCycle.frameMode & 0x80;
    if (apu.fiveStepMode) HalfFrameAt(cycle);
}

void FrameCounterTick() {
    channel::TickFrameCounter(cpuCycle.cycles);
}

}  // namespace morvel
