// The dot renderer: the visible dots of a line one at a time, each pixel
// asked of the pixel sources SelectRenderer chose. It serves any pair of
// sources, and the batched renderer (ppu_visible_run.h) must give the same
// picture and PPU state as it does.
#pragma once

#include <cstdint>

#include "ppu/ppu_internal.h"

namespace morvel {

// A visible dot 1-256: evaluation, the two layers (clipped in the leftmost
// eight pixels when asked), the pixel at out, then the background work.
// kBg and kSprite are the pixel sources SelectRenderer chose.
template <PixelSource kBg, PixelSource kSprite>
[[gnu::always_inline]] inline void VisiblePixelDot(PpuState& p, int32_t dot, uint32_t* out) {
    SpriteEvaluationDot(p, dot);
    const bool leftColumn = dot <= 8;
    uint32_t b = (leftColumn && p.clipBackground) ? 0 : kBg();
    uint32_t s = kSprite();
    if (leftColumn && p.clipSprites) s = 0;
    if (dot == 256) s &= 0x7F;  // no sprite-0 hit at x = 255
    *out = PixelColour(p, b, s);
    BackgroundDot(p, dot);
    if (dot == 256) IncrementY(p);
}

// The end of the visible run that starts at p.dot: at least one dot, never
// past dot 256, no further than owed.
inline int32_t VisibleRunEnd(const PpuState& p, int32_t owed) {
    const int32_t dot = p.dot;
    int32_t count = owed - p.ppuCyclesDone;
    if (count > 257 - dot) count = 257 - dot;
    if (count < 1) count = 1;
    return dot + count;
}

// Visible dots first..last - 1 one at a time, keeping the position current at
// every dot.
template <PixelSource kBg, PixelSource kSprite>
inline void VisiblePixelRunWith(PpuState& p, int32_t first, int32_t last) {
    // Nothing the run calls moves the cursor, so it stays in a register.
    uint32_t* out = pixelCursor;
    for (int32_t dot = first; dot < last; ++dot) {
        VisiblePixelDot<kBg, kSprite>(p, dot, out++);
        p.dot = dot + 1;
        p.ppuCyclesDone++;
    }
    pixelCursor = out;
}

}  // namespace morvel
