// Board behaviour inside the PPU that no page table can express: a board that
// watches the PPU's address bus (the MMC3 counts scanlines on line A12), and a
// board with a rendering step of its own (the MMC5). The board set-up fills
// these from its row once per cartridge; null means the board adds nothing.
#pragma once

#include <cstdint>

#include "ppu/ppu_bus.h"

namespace morvel {

struct PpuBoardHooks {
    // Sees each address the CPU puts on the PPU bus through $2006 and $2007,
    // and each background pattern address on the dot it goes out (a dot
    // before the read that the pattern pages see).
    void (*addressWatch)(uint32_t address);
    // Renders instead of StepRender while the picture is shown.
    void (*renderStep)(int32_t owed);
    // Told when the game turns rendering off.
    void (*renderingOff)();
    // With an addressWatch that can interrupt: the fewest rises of address
    // line A12 after which the board's interrupt could come (0: none will).
    // Until then the PPU may run behind the CPU.
    uint32_t (*risesToIrq)();
    // A watcher that only counts rises of A12 can be told of a run of
    // pattern fetches whose addresses all have the same A12 by the last of
    // them alone: the run is seen through patternRun, and the pattern pages
    // whose read handler is watchedChrPageRead or watchedChrRamRead (the
    // watcher, then a plain read of CHR memory as ChrPageRead or ChrRamRead
    // does) are read directly (PpuWatchedPage). Null: every fetch goes
    // through the handlers.
    void (*patternRun)(uint32_t lastAddress);
    PpuReadHandler watchedChrPageRead;
    PpuReadHandler watchedChrRamRead;
};

extern PpuBoardHooks ppuBoardHooks;

}  // namespace morvel
