// Stand-ins for the MMC3 and MMC5 hooks until those boards exist.
#include "ppu/board_ppu_hooks.h"
#include "ppu/ppu.h"

namespace morvel {

void Mmc3WatchA12(uint32_t) {}
void StepRenderMmc5(int32_t owed) {
    ppuStep = StepIdle;
    StepIdle(owed);
}
void Mmc5ClearInFrame() {}

}  // namespace morvel
