#include "core/frame_loop.h"

#include "apu/apu.h"
#include "apu/expansion_sound.h"
#include "apu/sound_output.h"
#include "cart/board_clock.h"
#include "core/cpu.h"
#include "core/frame_buffer.h"
#include "ppu/ppu.h"

namespace morvel {

FrameBookkeeping frameBookkeeping;
FrameFunction frameFunction = NormalFrame;

// The CPU runs the PPU and APU inside its cycles (the PPU behind it, caught
// up where the CPU could tell); a frame ends with the instruction during
// which the PPU reached the vertical blank, the PPU then run through it. The dot counts
// start again from 0 (a state saved by an earlier version may still owe dots:
// they are kept).
void RunFrameBody() {
    FrameBookkeeping& f = frameBookkeeping;
    ppuFrameReady = 0;
    CpuSyncPpu();
    f.lastCpuCycles = CpuRunToFrameEnd();
    CpuCatchUpPpu();
    ApuRunTo(cpuCycle.cycles);  // the frame's last samples; a saved state finds the APU caught up
    BoardCatchUp();             // and the board's, with its sound
    AddExpansionSamples();
    f.ppuCyclesOwed -= static_cast<uint32_t>(ppu.ppuCyclesDone);
    ppu.ppuCyclesDone = 0;
}

void NormalFrame() {
    RunFrameBody();
    SoundSync();
    sampleCount = 0;
    presentFunction();
}

}  // namespace morvel
