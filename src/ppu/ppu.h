// The picture processing unit: registers at $2000-$2007, the dot clock and the
// renderer. The frame loop drives it through ppuStep.
#pragma once

#include <cstdint>

#include "ppu/ppu_state.h"

namespace morvel {

// Runs dots until ppu.ppuCyclesDone reaches owed, or returns at once when the
// frame ends.
using PpuStepFunction = void (*)(int32_t owed);
extern PpuStepFunction ppuStep;

uint8_t PpuRegisterRead(uint32_t address);
void PpuRegisterWrite(uint32_t address, uint8_t value);
void PpuPowerOn();
void PpuReset();
void SelectRenderer();
void StepIdle(int32_t owed);

}  // namespace morvel
