// The frame counter: quarter- and half-frame clocks at fixed CPU cycles and
// the frame interrupt of the four-step mode.
#include "apu/channel_timers.h"
#include "core/cpu.h"

namespace morvel {

// Step:         0  1  2  3        4
// four-step:    Q  H  Q  H+irq    -
// five-step:    Q  H  Q  -        H
void FrameSequencerStep() {
    bool five = apu.fiveStepMode != 0;
    switch (apu.frameStep) {
        case 0: QuarterFrameClock(); break;
        case 1: HalfFrameClock(); break;
        case 2: QuarterFrameClock(); break;
        case 3:
            if (!five) HalfFrameClock();
            break;
        case 4:
            if (five) HalfFrameClock();
            break;
    }
    uint32_t last = five ? 4 : 3;
    apu.frameStep = apu.frameStep >= last ? 0 : apu.frameStep + 1;
}

void FrameCounterTick() {
    uint32_t cycle = apu.frameCycle;
    if (cycle == kStep1 || cycle == kStep2 || cycle == kStep3 ||
        (apu.fiveStepMode && cycle == kStep4)) {
        FrameSequencerStep();
        apu.frameCycle = cycle + 1;
    } else if (!apu.fiveStepMode && cycle == kStep4) {
        FrameSequencerStep();
        if (!apu.frameIrqInhibit) {
            AssertIrq(kIrqFrameCounter);
            apu.frameIrqFlag = 1;
        }
        apu.frameCycle = 1;
    } else if (apu.fiveStepMode && cycle == kFiveStepEnd) {
        FrameSequencerStep();
        apu.frameCycle = 1;
    } else {
        apu.frameCycle = cycle + 1;
    }
}

}  // namespace morvel
