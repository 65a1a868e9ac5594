#include "core/machine.h"

#include "apu/apu.h"
#include "apu/expansion_sound.h"
#include "cart/board_clock.h"
#include "cart/cartridge.h"
#include "core/cpu.h"
#include "core/frame_loop.h"
#include "core/memory_map.h"
#include "ppu/ppu.h"

namespace morvel {

uint32_t machineStarts;

void PowerOnMachine() {
    frameBookkeeping = {};
    CpuPowerOn();
    ApuPowerOn();
    PpuPowerOn();
    ppuStep = StepIdle;
    PlacePixelCursor();
    BoardResyncClock();
    ClearExpansionSamples();
}

void ResetMachine() {
    PpuReset();
    CpuReset();
    ApuReset();
}

int StartCartridge(const char* path) {
    if (!LoadCartridge(path)) return 0;
    ClearWorkRam();
    // The reset vector is read through the board's pages, so power-on comes
    // after the board is set up.
    PowerOnMachine();
    SelectRenderer();
    frameFunction = NormalFrame;
    ++machineStarts;
    return 1;
}

}  // namespace morvel
