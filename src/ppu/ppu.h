// The picture processing unit: registers at $2000-$2007, the dot clock and the
// renderer. The frame loop drives it through ppuStep.
#pragma once

#include <cstdint>

#include "ppu/ppu_state.h"

namespace morvel {

// Runs dots until ppu.ppuCyclesDone reaches owed, through the end of the
// frame and into the next.
using PpuStepFunction = void (*)(int32_t owed);
extern PpuStepFunction ppuStep;

// Set when the PPU reaches the vertical blank, where the frame loop ends a
// frame (after the instruction under way); cleared by the frame loop.
extern uint32_t ppuFrameReady;

// A pixel source gives the value of one layer for the current dot: the
// background (palette bits 3-2, colour bits 1-0) or the sprites (bit 7 the
// sprite-0 marker, bit 5 behind the background, bits 3-0 palette and colour).
using PixelSource = uint32_t (*)();
extern PixelSource bgPixelSource;
extern PixelSource spritePixelSource;

// The console's 64 colours as 0x00RRGGBB, indexed by a palette entry.
extern const uint32_t masterPalette[64];
// The same for each setting of the three colour-emphasis bits ($2001 bits
// 5-7 as 0-7).
extern const uint32_t (&pictureColours)[8][64];

// $2001 bit 0 (greyscale) and bits 5-7 (emphasis), kept in ppuCycle.maskPicture.
constexpr uint32_t kMaskPictureBits = 0xE1;

// The colour a palette value gives with $2001 as it stands: greyscale keeps
// only the brightness bits (the grey column), emphasis tints the result.
inline uint32_t PictureColour(uint32_t value) {
    const uint32_t mask = ppuCycle.maskPicture;
    return pictureColours[(mask >> 5) & 7][value & ((mask & 1) ? 0x30 : 0x3F)];
}

// The dots the PPU has yet to run, from its position, up to and including
// the next dot at which its NMI output can change by itself: line 241 dot 1
// (the vertical blank starts) or dot 1 of the pre-render line (it ends).
// Counted one short (at least 1), in case the odd frame's skipped dot lies on
// the way.
int32_t PpuDotsToVblankEdge();

// The dots the PPU can surely run with fewer than `rises` rises of address
// line A12 among its fetches (the pattern reads a board watches); 0 when it
// cannot promise any.
int32_t PpuDotsBeforeA12Rises(uint32_t rises);

// Points the frame buffer's cursor at the pixel of the PPU's position (after
// power-on or a loaded state).
void PlacePixelCursor();

uint8_t PpuRegisterRead(uint32_t address);
void PpuRegisterWrite(uint32_t address, uint8_t value);
void PpuPowerOn();
void PpuReset();

// Chooses ppuStep and the two pixel sources from the enable bits and the board.
void SelectRenderer();

// The steps: nothing shown; background and/or sprites shown.
void StepIdle(int32_t owed);
void StepRender(int32_t owed);

// The pixel sources.
uint32_t BackgroundPixel();
uint32_t SpritePixel();
uint32_t ZeroPixel();

// Palette memory as $2007 sees it: index = address AND $1F.
uint8_t PaletteRead(uint32_t address);
void PaletteWrite(uint32_t address, uint8_t value);

}  // namespace morvel
