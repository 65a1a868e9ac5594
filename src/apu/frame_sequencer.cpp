// The frame counter: quarter- and half-frame clocks at fixed CPU cycles and
// the frame interrupt of the four-step mode.
#include "apu/apu.h"
#include "core/cpu.h"

namespace morvel {

namespace {

// CPU cycles (counted by frameCycle) at which the sequencer steps. The count
// restarts from 1 after the last step, so a $4017 write (which sets it to 0)
// delays the first step by one cycle.
constexpr uint32_t kStep1 = 7457;
constexpr uint32_t kStep2 = 14913;
constexpr uint32_t kStep3 = 22371;
constexpr uint32_t kStep4 = 29829;        // four-step mode: last step, frame interrupt
constexpr uint32_t kFiveStepEnd = 37281;  // five-step mode: last step, no interrupt

}  // namespace

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
            cpu.irqLine = 0;
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
