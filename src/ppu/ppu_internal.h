// The pieces the rendering steps are built from: the per-dot work of the
// background pipeline, the sprite steps, the pixel priority rule and the
// advance of the position. Every rendering step composes these: the dot
// renderer (ppu_dot_renderer.h), the batched renderer (ppu_visible_run.h) and
// board variants such as the MMC5's. They stay inline and test no enable bits.
#pragma once

#include <cstdint>

#include "core/cpu.h"
#include "core/frame_buffer.h"
#include "ppu/board_ppu_hooks.h"
#include "ppu/ppu.h"
#include "ppu/ppu_bus.h"

namespace morvel {

constexpr int32_t kLastDot = 340;
constexpr int32_t kLineDots = kLastDot + 1;
constexpr int32_t kVisibleLines = 240;
constexpr int32_t kVblankLine = 241;
constexpr int32_t kPreRenderLine = 261;
// The position after the last dot of the pre-render line: the next pass of a
// step ends the frame instead of running a dot.
constexpr int32_t kFrameEndLine = 262;

// Every PPU fetch goes through the page tables, so boards see the addresses;
// a page that is plain memory (PlainPpuPage) is read directly. The page
// index is masked so that no address can leave the table.
inline uint8_t PpuFetch(uint32_t address) {
    const uint32_t page = (address >> 10) & 15;
    if (const uint8_t* memory = ppuPlainPages[page]) return memory[address & 0x3FF];
    return ppuReadPage[page](address);
}

// A fetch takes two dots: the address goes out on the bus on the first, the
// byte is read on the second. A board watching the address lines sees the
// address on the first dot, where the read handlers would show it a dot late.
inline void ShowFetchAddress(uint32_t address) {
    if (ppuBoardHooks.addressWatch) [[unlikely]]
        ppuBoardHooks.addressWatch(address);
}

// ---- Position -------------------------------------------------------------

// Counts the dot just done and moves to the next one.
inline void AdvanceDot(PpuState& p) {
    p.ppuCyclesDone++;
    if (++p.dot > kLastDot) {
        p.dot = 0;
        p.scanline++;
    }
}

// The wrap from the pre-render line to line 0: the picture starts again at
// the top of the frame buffer.
inline void EndFrame(PpuState& p) {
    pixelCursor = frameBuffer;
    p.scanline = 0;
    p.dot = 0;
    p.vblankSuppress = 0;
    p.oddFrame ^= 1;
}

// ---- Status flags, common to every step ------------------------------------

// Line 241, dot 1: the vertical blank starts. The flag rises (unless a $2002
// read just before suppressed it); with NMI enabled the PPU's NMI output
// rises with it, which the CPU sees at the end of its cycle. The frame's
// picture is complete.
inline void VblankLineDot(PpuState& p) {
    if (p.dot != 1) return;
    if (!p.vblankSuppress) p.vblankFlag = 0x80;
    ppuFrameReady = 1;
}

// Sprite evaluation starts afresh at the next visible line.
inline void SpriteEvaluationReset() {
    ppuCycle.evalLine = ~0u;
}

// Dot 1 of the pre-render line clears all three status flags; it also
// counts the frame for the I/O latch's decay.
inline void ClearStatusFlags(PpuState& p) {
    ppuCycle.frames++;
    SpriteEvaluationReset();
    p.vblankFlag = 0;
    p.spriteOverflow = 0;
    p.sprite0Hit = 0;
}

// ---- Background pipeline ----------------------------------------------------

[[gnu::always_inline]] inline void ShiftBackground(PpuState& p) {
    p.attrShiftLo = (p.attrShiftLo << 1) | p.attrBit0;
    p.attrShiftHi = (p.attrShiftHi << 1) | p.attrBit1;
    p.bgShiftLo = static_cast<uint16_t>(p.bgShiftLo << 1);
    p.bgShiftHi = static_cast<uint16_t>(p.bgShiftHi << 1);
}

// One of the eight phases of a tile fetch: nametable byte, attribute byte,
// pattern plane 0, pattern plane 1, each an address phase and a read phase.
// The last one loads the tile into the low halves of the shift registers and
// the attribute latch bits.
template <uint32_t kPhase>
[[gnu::always_inline]] inline void BackgroundFetch(PpuState& p) {
    const uint32_t v = p.vramAddr;
    if constexpr (kPhase == 0) {
        p.fetchAddr = 0x2000 | (v & 0x0FFF);
    } else if constexpr (kPhase == 1) {
        p.tileOffset = static_cast<uint32_t>(PpuFetch(p.fetchAddr)) << 4;
    } else if constexpr (kPhase == 2) {
        p.attrAddr = 0x23C0 | (v & 0x0C00) | ((v >> 4) & 0x38) | ((v >> 2) & 7);
    } else if constexpr (kPhase == 3) {
        // Each attribute byte covers 4 x 4 tiles; coarse Y bit 1 and coarse
        // X bit 1 pick the 2-bit quadrant.
        const uint32_t shift = ((v >> 4) & 4) | (v & 2);
        p.attrLatch = static_cast<uint32_t>(PpuFetch(p.attrAddr)) >> shift;
    } else if constexpr (kPhase == 4) {
        p.fetchAddr = ((v >> 12) & 7) | p.bgPatternBase | p.tileOffset;
        // A12 rises here when the background patterns are at $1000 (the
        // MMC3 clocks its counter on it). The second plane's address, two
        // dots on, keeps A12 as it is and needs no showing.
        ShowFetchAddress(p.fetchAddr);
    } else if constexpr (kPhase == 5) {
        p.bgLatchLo = PpuFetch(p.fetchAddr);
    } else if constexpr (kPhase == 6) {
        p.fetchAddr |= 8;
    } else {
        static_assert(kPhase == 7);
        const uint8_t high = PpuFetch(p.fetchAddr);
        p.bgShiftHi = static_cast<uint16_t>(p.bgShiftHi | high);
        p.bgLatchHi = high;
        p.bgShiftLo = static_cast<uint16_t>(p.bgShiftLo | p.bgLatchLo);
        p.attrBit0 = p.attrLatch & 1;
        p.attrBit1 = (p.attrLatch >> 1) & 1;
    }
}

// The same with the phase known only at run time.
[[gnu::always_inline]] inline void BackgroundFetchPhase(PpuState& p, uint32_t phase) {
    switch (phase) {
        case 0: BackgroundFetch<0>(p); break;
        case 1: BackgroundFetch<1>(p); break;
        case 2: BackgroundFetch<2>(p); break;
        case 3: BackgroundFetch<3>(p); break;
        case 4: BackgroundFetch<4>(p); break;
        case 5: BackgroundFetch<5>(p); break;
        case 6: BackgroundFetch<6>(p); break;
        case 7: BackgroundFetch<7>(p); break;
        default: break;
    }
}

// Next tile to the right; past column 31 into the horizontally adjacent nametable.
inline void IncrementCoarseX(PpuState& p) {
    if ((p.vramAddr & 0x1F) < 31)
        p.vramAddr += 1;
    else
        p.vramAddr = (p.vramAddr & ~0x1Fu) ^ 0x0400;
}

// Next pixel row. Row 29 is the last of a nametable, so it wraps into the
// vertically adjacent one; rows 30 and 31 (attribute bytes, reached only by a
// scroll past the bottom) wrap to 0 in the same nametable.
inline void IncrementY(PpuState& p) {
    if ((p.vramAddr & 0x7000) != 0x7000) {
        p.vramAddr += 0x1000;
        return;
    }
    p.vramAddr &= ~0x7000u;
    uint32_t coarseY = (p.vramAddr >> 5) & 31;
    if (coarseY == 29) {
        coarseY = 0;
        p.vramAddr ^= 0x0800;
    } else if (coarseY == 31) {
        coarseY = 0;
    } else {
        coarseY++;
    }
    p.vramAddr = (p.vramAddr & ~0x03E0u) | (coarseY << 5);
}

// Dot 257: the horizontal scroll bits of t return to v for the next line.
inline void CopyHorizontal(PpuState& p) {
    p.vramAddr = (p.vramAddr & ~0x041Fu) | (p.tempAddr & 0x041F);
}

// Dots 338 and 340: two nametable reads whose result nothing uses.
inline void DummyNametableRead(PpuState& p) {
    p.attrLatch = PpuFetch(0x23C0 | (p.vramAddr & 0x0C00));
}

// Work of dots 1-256 and 321-336 after the pixel: shift, fetch, coarse X.
[[gnu::always_inline]] inline void BackgroundDot(PpuState& p, int32_t dot) {
    ShiftBackground(p);
    BackgroundFetchPhase(p, static_cast<uint32_t>(dot - 1) & 7);
    if ((dot & 7) == 0) IncrementCoarseX(p);
}

// ---- Sprites -----------------------------------------------------------------

// Sprite evaluation for the next line, dots 65-256 of a visible line: every
// step of it up to and including dot `dot` (sprites.cpp). Each sprite takes
// two dots (a read of OAM, then a write to secondary OAM), eight when it is
// in range and its other three bytes are copied; the steps act on the even
// dot.
void SpriteEvaluateSteps(PpuState& p, uint32_t dot);
enum SpriteEvaluationStage : uint32_t {
    kFindEight = 0,   // copying the sprites in range, fewer than eight found
    kSearchOverflow,  // eight found: the search that sets the overflow flag
    kEvaluationDone,  // all entries seen, or the flag set: nothing more to do
};
// Most sprites are not on the line: their two dots each are passed here, and
// only the others go to SpriteEvaluateSteps.
inline void SpriteEvaluateTo(PpuState& p, int32_t dot) {
    PpuCycleState& c = ppuCycle;
    const uint32_t line = static_cast<uint32_t>(p.scanline);
    const uint32_t until = static_cast<uint32_t>(dot);
    uint32_t next = c.evalDot;
    if (c.evalLine == line) {
        if (next > until) return;
        if (c.evalStage == kFindEight) {
            const uint32_t height = p.spriteHeightMinus1;
            uint32_t n = p.evalIndex & 63;
            while (line - p.oam[n * 4] > height && n < 63) {
                next += 2;
                ++n;
                if (next > until) break;
            }
            c.evalDot = next;
            p.evalIndex = n;
            if (next > until) return;
        }
    }
    SpriteEvaluateSteps(p, until);
}
inline void SpriteEvaluationDot(PpuState& p, int32_t dot) {
    if (dot >= 66) SpriteEvaluateTo(p, dot);
}

// Pattern fetches of one sprite unit (dots 261 + 8k and 263 + 8k) and the
// hand-over of the found sprites to the next line (dot 320).
void SpriteFetchFirst(PpuState& p);
void SpriteFetchSecond(PpuState& p);
// All eight units' fetches in the order of their dots (261-319), read
// directly where the pattern pages are plain memory.
void SpriteFetchAll(PpuState& p);
void SpriteLineHandOver(PpuState& p);

// Brings the sprite units to the state the pixel calls of the line have left
// them in and starts counting calls afresh. The fetches and the hand-over do
// it themselves; power-on calls it after clearing the units.
void SettleSpriteUnits(PpuState& p);

// Dots 257-340 of a visible or the pre-render line, except the horizontal
// copy at 257 and the vertical copy at 280-304, which the caller does.
inline void FetchTailDot(PpuState& p, int32_t dot) {
    if (dot <= 319) {
        if (dot >= 261) {
            uint32_t step = static_cast<uint32_t>(dot - 261) & 7;
            if (step == 0)
                SpriteFetchFirst(p);
            else if (step == 2)
                SpriteFetchSecond(p);
        }
    } else if (dot == 320) {
        SpriteLineHandOver(p);
    } else if (dot <= 336) {
        BackgroundDot(p, dot);
    } else if (dot == 338 || dot == 340) {
        DummyNametableRead(p);
    }
}

// ---- Pixel output --------------------------------------------------------------

// The priority rule for the background value b (bits 3-2 palette, 1-0
// pattern) and the sprite value s (bit 7 sprite 0, bit 5 behind the
// background, bits 3-2 palette, 1-0 pattern): bits 4-0 the palette index of
// the pixel, bit 5 set when the pixel is a sprite-0 hit. Written without
// branches: which layer wins changes from pixel to pixel.
constexpr uint32_t PixelCompose(uint32_t b, uint32_t s) {
    const uint32_t bgOpaque = (b & 3) != 0;
    const uint32_t spriteOpaque = (s & 3) != 0;
    const uint32_t hit = (s >> 7) & spriteOpaque & bgOpaque;
    const uint32_t behind = (s >> 5) & 1;
    const uint32_t spriteWins = spriteOpaque & ~(bgOpaque & behind);
    const uint32_t bgEntry = bgOpaque ? (b & 0x0F) : 0;
    return (hit << 5) | (spriteWins ? (0x10 | (s & 0x0F)) : bgEntry);
}

// Makes the batched renderer work out its palette colours again at its next
// run (palette.cpp): greyscale or emphasis may have changed.
void ForgetPaletteColours();

// One pixel by the rule: sets the sprite-0 hit and returns the colour.
[[gnu::always_inline]] inline uint32_t PixelColour(PpuState& p, uint32_t b, uint32_t s) {
    const uint32_t composed = PixelCompose(b, s);
    p.sprite0Hit |= (composed & 0x20) << 1;
    return PictureColour(p.paletteRam[composed & 0x1F]);
}

// The background pixel: fine X picks the bit of the shift registers that is
// on screen now.
[[gnu::always_inline]] inline uint32_t BackgroundPixelOf(const PpuState& p) {
    const uint32_t x = p.fineX & 7;
    return (((p.attrShiftHi >> (7 - x)) & 1) << 3) | (((p.attrShiftLo >> (7 - x)) & 1) << 2) |
           (((p.bgShiftHi >> (15 - x)) & 1) << 1) | ((p.bgShiftLo >> (15 - x)) & 1);
}

// The sprite pixel function's line, worked out at its first call (sprites.cpp).
extern uint32_t spriteLineCalls;
extern uint8_t spriteLineReady;
extern uint8_t spriteLine[256 + 8 + 256];
void BuildSpriteLine(const PpuState& p);

[[gnu::always_inline]] inline uint32_t SpritePixelOf(const PpuState& p) {
    if (!spriteLineReady) BuildSpriteLine(p);
    const uint32_t call = spriteLineCalls;
    if (call >= 256) return 0;
    spriteLineCalls = call + 1;
    return spriteLine[call];
}

}  // namespace morvel
