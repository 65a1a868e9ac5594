// One video frame of the machine: CPU instructions, the APU and the PPU kept
// in step, then the sound handed over and the picture shown.
#pragma once

#include <cstdint>

namespace morvel {

// Cleared together by the machine reset and stored together in save states.
struct FrameBookkeeping {
    uint32_t lastCpuCycles;  // cycles of the last CpuStep
    uint32_t ppuCyclesOwed;  // dots the PPU must run in the current frame
};
static_assert(sizeof(FrameBookkeeping) == 8);

extern FrameBookkeeping frameBookkeeping;

using FrameFunction = void (*)();
extern FrameFunction frameFunction;

void NormalFrame();

// Runs the machine to the end of the current frame without handing over sound
// or presenting: the shared body of the frame functions.
void RunFrameBody();

}  // namespace morvel
