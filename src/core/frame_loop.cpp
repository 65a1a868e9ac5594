#include "core/frame_loop.h"

#include "apu/apu.h"
#include "apu/sound_output.h"
#include "core/cpu.h"
#include "core/frame_buffer.h"
#include "ppu/ppu.h"

namespace morvel {

FrameBookkeeping frameBookkeeping;
FrameFunction frameFunction = NormalFrame;

void RunFrameBody() {
    pixelCursor = frameBuffer;
    FrameBookkeeping& f = frameBookkeeping;
    do {
        f.lastCpuCycles = static_cast<uint32_t>(CpuStep());
        ApuStep(static_cast<int32_t>(f.lastCpuCycles));
        f.ppuCyclesOwed += 3 * f.lastCpuCycles;
        ppuStep(static_cast<int32_t>(f.ppuCyclesOwed));
    } while (static_cast<uint32_t>(ppu.ppuCyclesDone) == f.ppuCyclesOwed);
    // The PPU stopped at the end of the frame: the dots it still owes carry over.
    f.ppuCyclesOwed -= static_cast<uint32_t>(ppu.ppuCyclesDone);
    ppu.ppuCyclesDone = 0;
    cpu.interruptDelay = 0;
}

void NormalFrame() {
    RunFrameBody();
    SoundSync();
    sampleCount = 0;
    presentFunction();
}

}  // namespace morvel
