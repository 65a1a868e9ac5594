// Shared set-up of the APU unit tests.
#pragma once

#include <cstdint>

#include "apu/apu.h"
#include "core/cpu.h"
#include "support/test_machine.h"

namespace morvel::test {

// A powered-on APU over flat memory, with the mixer tables built and the
// interrupt line released.
inline void FreshApu() {
    InstallFlatMemory();
    BuildMixerTables();
    SetVolumeDb(0);
    soundMuted = 0;
    samplesDivider = 40;
    sampleStage = {};
    cpu.irqLine = 1;
    ApuPowerOn();
}

// Runs the frame counter and the channel timers for n CPU cycles, without mixing.
inline void RunCycles(long n) {
    for (long i = 0; i < n; ++i) {
        FrameCounterTick();
        ApuClockTimers();
    }
}

inline void Write(int32_t address, uint8_t value) {
    ApuWriteRegister(address, value);
}
inline uint8_t Status() {
    return ApuReadRegister(0x4015);
}

}  // namespace morvel::test
