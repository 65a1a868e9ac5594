// The rendering step of the MMC5 board: the normal rendering step with the
// MMC5's scanline detection and its own background pattern fetch.
//
// The MMC5 tells rendered lines apart by watching the PPU's fetches; here the
// detection is tied to fixed dots: the frame starts at the end of the
// pre-render line, each rendered line ends at dot 340, and the interrupt is
// raised at dot 0 of the line whose number matches the target.
#include "cart/mmc5.h"
#include "cart/mmc5_sound.h"
#include "ppu/ppu_internal.h"

namespace morvel {

namespace {

// Pattern fetch in extended attribute mode: the tile's ExRAM byte picks a
// 4 KB CHR bank (bits 0-5, with $5130 above them) and its palette (bits 6-7).
uint8_t ExtendedPatternByte(PpuState& p, bool firstPlane) {
    if (firstPlane)
        mmc5.mmc5ExChrOffset = (mmc5.mmc5ChrUpper << 18) | ((mmc5.mmc5ExAttrByte & 63) << 12);
    return Mmc5ChrByte(mmc5.mmc5ExChrOffset | p.fetchAddr);
}

// Phases 3, 4, 5 and 7 differ from the normal fetch; the pattern address
// never includes the background pattern base.
void Mmc5FetchPhase(PpuState& p, uint32_t phase) {
    const bool extended = mmc5.mmc5ExRamMode == 1;
    const bool tallSprites = p.spriteHeightMinus1 == 15;
    switch (phase) {
        case 3:
            if (!extended) break;
            mmc5.mmc5ExAttrByte = mmc5.mmc5ExRam[p.fetchAddr & 0x3FF];
            p.attrLatch = mmc5.mmc5ExAttrByte >> 6;
            return;
        case 4: p.fetchAddr = ((p.vramAddr >> 12) & 7) | p.tileOffset; return;
        case 5:
            if (extended)
                p.bgLatchLo = ExtendedPatternByte(p, true);
            else if (tallSprites)
                p.bgLatchLo = mmc5.mmc5BgChr[p.fetchAddr & 0x1FFF];
            else
                break;
            return;
        case 7: {
            uint8_t high;
            if (extended)
                high = ExtendedPatternByte(p, false);
            else if (tallSprites)
                high = mmc5.mmc5BgChr[p.fetchAddr & 0x1FFF];
            else
                break;
            p.bgShiftHi = static_cast<uint16_t>(p.bgShiftHi | high);
            p.bgLatchHi = high;
            p.bgShiftLo = static_cast<uint16_t>(p.bgShiftLo | p.bgLatchLo);
            p.attrBit0 = p.attrLatch & 1;
            p.attrBit1 = (p.attrLatch >> 1) & 1;
            return;
        }
        default: break;
    }
    BackgroundFetchPhase(p, phase);
}

void Mmc5BackgroundDot(PpuState& p, int32_t dot) {
    ShiftBackground(p);
    Mmc5FetchPhase(p, static_cast<uint32_t>(dot - 1) & 7);
    if ((dot & 7) == 0) IncrementCoarseX(p);
}

// The end of every rendered line: the first one (the pre-render line) starts
// the frame, the others count, and reaching the target makes the interrupt pending.
void Mmc5LineEnd() {
    if (mmc5.mmc5InFrame == 0) {
        mmc5.mmc5InFrame = 1;
        mmc5.mmc5LineCounter = 0;
        mmc5.mmc5IrqPending = 0;
        if (!Mmc5PcmIrqAsserting()) ReleaseIrq(kIrqBoard);
    } else if (++mmc5.mmc5LineCounter == mmc5.mmc5IrqTarget) {
        mmc5.mmc5IrqPending = 1;
    }
}

// Dots 257-340 as FetchTailDot, with the MMC5's background fetch for the
// first two tiles of the next line and the line end at dot 340.
void Mmc5TailDot(PpuState& p, int32_t dot) {
    if (dot >= 321 && dot <= 336) {
        Mmc5BackgroundDot(p, dot);
        return;
    }
    FetchTailDot(p, dot);
    if (dot == kLastDot) Mmc5LineEnd();
}

void Mmc5VisibleLineDot(PpuState& p) {
    const int32_t dot = p.dot;
    if (static_cast<uint32_t>(dot - 1) < 256) {
        SpriteEvaluationDot(p, dot);
        const bool leftColumn = dot <= 8;
        uint32_t b = (leftColumn && p.clipBackground) ? 0 : bgPixelSource();
        uint32_t s = spritePixelSource();
        if (leftColumn && p.clipSprites) s = 0;
        if (dot == 256) s &= 0x7F;  // no sprite-0 hit at x = 255
        *pixelCursor++ = PixelColour(p, b, s);
        Mmc5BackgroundDot(p, dot);
        if (dot == 256) IncrementY(p);
    } else if (dot == 0) {
        // No odd-frame shortening on this board; the line's interrupt instead.
        if (Mmc5IrqAsserting()) AssertIrq(kIrqBoard);
    } else if (dot == 257) {
        CopyHorizontal(p);
    } else {
        Mmc5TailDot(p, dot);
    }
}

void Mmc5PreRenderLineDot(PpuState& p) {
    const int32_t dot = p.dot;
    if (dot < 257) {
        if (dot == 1) ClearStatusFlags(p);
    } else {
        if (dot >= 280 && dot <= 304) p.vramAddr = p.tempAddr;
        Mmc5TailDot(p, dot);
    }
}

}  // namespace

void StepRenderMmc5(int32_t owed) {
    PpuState& p = ppu;
    for (;;) {
        const int32_t line = p.scanline;
        if (line < kVisibleLines) {
            Mmc5VisibleLineDot(p);
        } else if (line == kVisibleLines) {
            if (p.dot == 0) Mmc5ClearInFrame();
        } else if (line == kVblankLine) {
            VblankLineDot(p);
        } else if (line == kPreRenderLine) {
            Mmc5PreRenderLineDot(p);
        } else if (line >= kFrameEndLine) {
            EndFrame(p);
            continue;
        }
        AdvanceDot(p);
        if (p.ppuCyclesDone >= owed) return;
    }
}

}  // namespace morvel
