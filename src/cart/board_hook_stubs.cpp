// Stand-in for the MMC5 rendering step until the PPU's renderer exists.
#include "ppu/board_ppu_hooks.h"
#include "ppu/ppu.h"

namespace morvel {

void StepRenderMmc5(int32_t owed) {
    ppuStep = StepIdle;
    StepIdle(owed);
}

}  // namespace morvel
