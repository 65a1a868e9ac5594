// Stand-in PPU until the real one exists: registers read 0 and a frame is
// 29781 CPU cycles (89343 dots).
#include <cstring>

#include "ppu/ppu.h"

namespace morvel {

PpuState ppu;
PpuStepFunction ppuStep = StepIdle;

uint8_t PpuRegisterRead(uint32_t) {
    return 0;
}
void PpuRegisterWrite(uint32_t, uint8_t) {}
void PpuPowerOn() {
    std::memset(&ppu, 0, sizeof ppu);
}
void PpuReset() {}
void SelectRenderer() {
    ppuStep = StepIdle;
}

void StepIdle(int32_t owed) {
    constexpr int32_t kDotsPerFrame = 29781 * 3;
    while (ppu.ppuCyclesDone < owed) {
        ppu.ppuCyclesDone++;
        if (ppu.ppuCyclesDone >= kDotsPerFrame && ppu.ppuCyclesDone != owed) return;
    }
}

}  // namespace morvel
