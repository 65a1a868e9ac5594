// The dot clock: the idle step used while nothing is shown, the rendering
// step, and the background pixel source.
#include "ppu/ppu_internal.h"

namespace morvel {

PpuStepFunction ppuStep = StepIdle;
PixelSource bgPixelSource = ZeroPixel;
PixelSource spritePixelSource = ZeroPixel;

uint32_t ZeroPixel() {
    return 0;
}

uint32_t BackgroundPixel() {
    return BackgroundPixelOf(ppu);
}

// With background and sprites off the PPU fetches nothing and shows the
// backdrop colour; frames are never shortened.
void StepIdle(int32_t owed) {
    PpuState& p = ppu;
    for (;;) {
        const int32_t line = p.scanline;
        if (line < kVisibleLines) {
            if (static_cast<uint32_t>(p.dot - 1) < 256)
                *pixelCursor++ = masterPalette[p.paletteRam[0] & 0x3F];
        } else if (line == kVblankLine) {
            VblankLineDot(p);
        } else if (line == kPreRenderLine) {
            if (p.dot == 1) ClearStatusFlags(p);
        } else if (line >= kFrameEndLine) {
            EndFrame(p);
            return;
        }
        AdvanceDot(p);
        if (p.ppuCyclesDone >= owed) return;
    }
}

namespace {

// Dots 0 and 257-340 of a visible line; dots 1-256 go through VisiblePixelRun.
inline void VisibleLineDot(PpuState& p) {
    const int32_t dot = p.dot;
    if (dot == 0) {
        // Odd frames skip the first dot of line 0 while rendering is on.
        if (p.scanline == 0 && p.oddFrame) p.ppuCyclesDone--;
    } else if (dot == 257) {
        CopyHorizontal(p);
    } else {
        FetchTailDot(p, dot);
    }
}

// No pixels and no evaluation; the vertical scroll is reloaded from t and the
// first two tiles and the sprites of line 0 are fetched.
inline void PreRenderLineDot(PpuState& p) {
    const int32_t dot = p.dot;
    if (dot < 257) {
        if (dot == 1) ClearStatusFlags(p);
    } else {
        if (dot >= 280 && dot <= 304) p.vramAddr = p.tempAddr;
        FetchTailDot(p, dot);
    }
}

}  // namespace

void StepRender(int32_t owed) {
    PpuState& p = ppu;
    for (;;) {
        const int32_t line = p.scanline;
        if (line < kVisibleLines) {
            if (static_cast<uint32_t>(p.dot - 1) < 256) {
                VisiblePixelRun(p, owed);
                if (p.ppuCyclesDone >= owed) return;
                continue;
            }
            VisibleLineDot(p);
        } else if (line == kVblankLine) {
            VblankLineDot(p);
        } else if (line == kPreRenderLine) {
            PreRenderLineDot(p);
        } else if (line >= kFrameEndLine) {
            EndFrame(p);
            return;
        }
        AdvanceDot(p);
        if (p.ppuCyclesDone >= owed) return;
    }
}

}  // namespace morvel
