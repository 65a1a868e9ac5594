#include "core/machine.h"

#include "apu/apu.h"
#include "core/cpu.h"
#include "core/frame_loop.h"
#include "ppu/ppu.h"

namespace morvel {

void PowerOnMachine() {
    frameBookkeeping = {};
    CpuPowerOn();
    ApuPowerOn();
    PpuPowerOn();
    ppuStep = StepIdle;
}

void ResetMachine() {
    PpuReset();
    CpuReset();
    ApuReset();
}

}  // namespace morvel
