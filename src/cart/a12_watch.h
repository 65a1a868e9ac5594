// Chips that count scanlines by watching PPU address line A12 (the MMC3 and
// the chips built like it): the pattern-page handlers that show them every
// access, and the PPU hooks of such a board.
#pragma once

#include <cstdint>

#include "cart/board.h"
#include "ppu/board_ppu_hooks.h"

namespace morvel {

// The pattern-page handlers: the chip's watcher sees the address, then the
// CHR ROM or RAM answers. CHR ROM cannot be written.
template <void (*kWatch)(uint32_t)>
uint8_t WatchedChrRomRead(uint32_t address) {
    kWatch(address);
    return ChrPageRead(address);
}
template <void (*kWatch)(uint32_t)>
void WatchedChrRomWrite(uint32_t address, uint8_t) {
    kWatch(address);
}
template <void (*kWatch)(uint32_t)>
uint8_t WatchedChrRamRead(uint32_t address) {
    kWatch(address);
    return ChrRamRead(address);
}
template <void (*kWatch)(uint32_t)>
void WatchedChrRamWrite(uint32_t address, uint8_t value) {
    kWatch(address);
    ChrRamWrite(address, value);
}

// Puts the handlers on the pattern pages: over the CHR ROM when the header
// has some, else over the 8 KB of CHR RAM.
template <void (*kWatch)(uint32_t)>
void SetWatchedPatternPages(const BoardHeader& header) {
    if (header.chrUnits != 0)
        SetPpuPages(0, 7, WatchedChrRomRead<kWatch>, WatchedChrRomWrite<kWatch>);
    else
        SetPpuPages(0, 7, WatchedChrRamRead<kWatch>, WatchedChrRamWrite<kWatch>);
}

// The watcher also sees the addresses the CPU puts on the PPU bus through
// $2006/$2007 as well as the rendering fetches. It clocks on a rise of A12
// alone, so a run of fetches from one pattern table shows it what the last
// of them does.
template <void (*kWatch)(uint32_t), uint32_t (*kRisesToIrq)()>
constexpr PpuBoardHooks kA12WatchHooks = {kWatch,
                                          nullptr,
                                          nullptr,
                                          kRisesToIrq,
                                          kWatch,
                                          WatchedChrRomRead<kWatch>,
                                          WatchedChrRamRead<kWatch>};

// The fewest A12 rises before an MMC3-style counter (reloaded from the latch
// when at 0 or asked to, else counted down) interrupts; 0 when disabled.
inline uint32_t Mmc3StyleRisesToIrq(bool enabled, uint8_t counter, uint8_t latch, bool reload) {
    if (!enabled) return 0;
    if (counter == 0 || reload) return 1u + latch;
    return counter;
}

}  // namespace morvel
