// Board behaviour that lives inside the PPU and cannot be expressed through
// the page tables, chosen by mapperNumber: the MMC3's watch of PPU address
// line A12 (mapper 4) and the MMC5's own rendering step (mapper 5).
#pragma once

#include <cstdint>

namespace morvel {

// The MMC3's A12 watcher, given a PPU address the PPU has just put on its bus.
void Mmc3WatchA12(uint32_t address);

// The rendering step used instead of the normal one on the MMC5 board.
void StepRenderMmc5(int32_t owed);

// Clears the MMC5's in-frame flag when the game turns rendering off.
void Mmc5ClearInFrame();

}  // namespace morvel
