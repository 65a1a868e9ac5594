// The dot clock: the idle step used while nothing is shown, the rendering
// step, and the background pixel source.
#include <algorithm>
#include <cstring>

#include "ppu/ppu_visible_run.h"

namespace morvel {

PpuStepFunction ppuStep = StepIdle;
uint32_t ppuFrameReady;
PixelSource bgPixelSource = ZeroPixel;
PixelSource spritePixelSource = ZeroPixel;

void PlacePixelCursor() {
    const PpuState& p = ppu;
    int32_t drawn = kVisibleLines * kFrameWidth;
    if (p.scanline >= 0 && p.scanline < kVisibleLines) {
        const int32_t inLine = p.dot < 1 ? 0 : (p.dot > 256 ? 256 : p.dot - 1);
        drawn = p.scanline * kFrameWidth + inLine;
    }
    pixelCursor = frameBuffer + drawn;
}

int32_t PpuDotsToVblankEdge() {
    constexpr int32_t kFrameDots = kFrameEndLine * kLineDots;
    constexpr int32_t kVblankStart = kVblankLine * kLineDots + 1;
    constexpr int32_t kVblankEnd = kPreRenderLine * kLineDots + 1;
    const PpuState& p = ppu;
    const int32_t line = p.scanline >= kFrameEndLine ? 0 : p.scanline;
    const int32_t here = line * kLineDots + p.dot;
    int32_t dots;
    if (here <= kVblankStart)
        dots = kVblankStart - here + 1;
    else if (here <= kVblankEnd)
        dots = kVblankEnd - here + 1;
    else
        dots = kFrameDots - here + kVblankStart + 1;
    return dots > 1 ? dots - 1 : 1;
}

int32_t PpuDotsBeforeA12Rises(uint32_t rises) {
    const PpuState& p = ppu;
    if (!(p.showBackground | p.showSprites)) return kFrameEndLine * kLineDots;
    // A line's pattern fetches: the background's from one table, then the
    // eight sprites', then the background's again. With 8x8 sprites that is
    // at most one rise; 8x16 sprites each take their own table, at most five.
    // A stretch of dots touches one line more than it covers whole.
    const uint32_t perLine = p.spriteHeightMinus1 == 15 ? 5 : 1;
    const uint32_t lines = rises > 0 ? (rises - 1) / perLine : 0;
    return lines >= 2 ? static_cast<int32_t>(lines - 1) * kLineDots : 0;
}

uint32_t ZeroPixel() {
    return 0;
}

uint32_t BackgroundPixel() {
    return BackgroundPixelOf(ppu);
}

namespace {

// With rendering off a pixel shows the backdrop colour, or, while v points
// into the palette ($3F00-$3FFF), the palette entry v addresses.
inline uint32_t IdleColour(const PpuState& p) {
    const uint32_t v = p.vramAddr & 0x3FFF;
    return PictureColour(p.paletteRam[v >= 0x3F00 ? v & 0x1F : 0]);
}

// Four pixels of one colour, stored at once.
using ColourQuad = uint32_t __attribute__((vector_size(16)));

// count pixels of one colour from out on; returns the pixel after them.
[[gnu::always_inline]] inline uint32_t* FillPixels(uint32_t* out, int32_t count, uint32_t colour) {
    const ColourQuad quad = {colour, colour, colour, colour};
    auto four = [&quad](uint32_t* at) { std::memcpy(at, &quad, sizeof quad); };
    for (; count >= 32; count -= 32, out += 32) {
        four(out);
        four(out + 4);
        four(out + 8);
        four(out + 12);
        four(out + 16);
        four(out + 20);
        four(out + 24);
        four(out + 28);
    }
    if (count & 16) {
        four(out);
        four(out + 4);
        four(out + 8);
        four(out + 12);
        out += 16;
    }
    if (count & 8) {
        four(out);
        four(out + 4);
        out += 8;
    }
    if (count & 4) {
        four(out);
        out += 4;
    }
    if (count & 2) {
        std::memcpy(out, &quad, 2 * sizeof colour);
        out += 2;
    }
    if (count & 1) *out++ = colour;
    return out;
}

// With background and sprites off the PPU fetches nothing and shows the
// backdrop colour, or, while v points into the palette ($3F00-$3FFF), the
// palette entry v addresses; frames are never shortened. Nothing the picture
// depends on can change inside a call (the CPU catches the PPU up before
// each of its accesses), so a line's pixels are one colour, and only the
// vertical blank's first dot and the pre-render line's first dot have work.
// StepIdle (below) takes the commonest runs itself.
[[gnu::noinline]] void StepIdleParts(int32_t owed) {
    PpuState& p = ppu;
    while (p.ppuCyclesDone < owed) {
        const int32_t line = p.scanline;
        if (line >= kFrameEndLine) {
            EndFrame(p);
            continue;
        }
        const int32_t left = owed - p.ppuCyclesDone;
        int32_t until = kLineDots;  // the dot this stretch stops before
        if (line < kVisibleLines && p.dot >= 1 && p.dot <= 256) {
            until = 257;
            const int32_t count = std::min(until - p.dot, left);
            pixelCursor = FillPixels(pixelCursor, count, IdleColour(p));
        } else if (line < kVisibleLines && p.dot == 0) {
            until = 1;
        } else if ((line == kVblankLine || line == kPreRenderLine) && p.dot <= 1) {
            if (p.dot == 1) {
                if (line == kVblankLine)
                    VblankLineDot(p);
                else
                    ClearStatusFlags(p);
            }
            until = p.dot + 1;
        }
        const int32_t count = std::min(until - p.dot, left);
        p.ppuCyclesDone += count;
        p.dot += count;
        if (p.dot > kLastDot) {
            p.dot = 0;
            p.scanline++;
        }
    }
}

// Dots 0 and 257-340 of a visible line; dots 1-256 go through VisiblePixelRun.
inline void VisibleLineDot(PpuState& p) {
    const int32_t dot = p.dot;
    if (dot == 0) {
        // Nothing happens on the first dot of a line.
    } else if (dot == 257) {
        CopyHorizontal(p);
    } else {
        FetchTailDot(p, dot);
    }
}

// On odd frames the pre-render line is one dot shorter when rendering is on
// as it reaches dot 338 (as this machine times a $2001 write, two dots into
// the CPU's cycle): that dot takes no time.
constexpr int32_t kOddFrameSkipDot = 338;
inline void SkipOnOddFrame(PpuState& p) {
    if (p.oddFrame) p.ppuCyclesDone--;
}

// The pre-render line fetches as a visible line does (the fetches reach the
// board: a scanline counter clocks on them) but draws nothing and evaluates no
// sprites; the vertical scroll is reloaded from t and the first two tiles
// and the sprites of line 0 are fetched.
inline void PreRenderWork(PpuState& p, int32_t dot) {
    if (dot <= 256) {
        if (dot == 1) ClearStatusFlags(p);
        BackgroundDot(p, dot);
        if (dot == 256) IncrementY(p);
    } else if (dot == 257) {
        CopyHorizontal(p);
    } else {
        if (dot >= 280 && dot <= 304) p.vramAddr = p.tempAddr;
        if (dot == kOddFrameSkipDot) SkipOnOddFrame(p);
        FetchTailDot(p, dot);
    }
}
inline void PreRenderLineDot(PpuState& p) {
    if (p.dot > 0) PreRenderWork(p, p.dot);
}

// Whether a dot of a visible line, or of the pre-render line, has any work
// (the visible dots 1-256 count as work: the pixel run takes them).
constexpr bool SpriteFetchDot(int32_t dot) {
    return dot >= 261 && dot <= 319 && ((dot - 261) % 8 == 0 || (dot - 261) % 8 == 2);
}
constexpr bool TailWorkDot(int32_t dot) {
    return SpriteFetchDot(dot) || (dot >= 320 && dot <= 336) || dot == 338 || dot == 340;
}
constexpr bool VisibleLineWork(int32_t dot) {
    return dot <= 257 || TailWorkDot(dot);
}
constexpr bool PreRenderLineWork(int32_t dot) {
    return dot <= 257 || (dot >= 280 && dot <= 304) || dot == kOddFrameSkipDot || TailWorkDot(dot);
}

// For each dot 0-340 the first dot from there on that has work, 341 for none.
struct NextWorkTable {
    int16_t visible[kLineDots];
    int16_t preRender[kLineDots];
};
constexpr NextWorkTable BuildNextWorkTable() {
    NextWorkTable table{};
    int16_t visible = kLineDots;
    int16_t preRender = kLineDots;
    for (int32_t dot = kLastDot; dot >= 0; --dot) {
        if (VisibleLineWork(dot)) visible = static_cast<int16_t>(dot);
        if (PreRenderLineWork(dot)) preRender = static_cast<int16_t>(dot);
        table.visible[dot] = visible;
        table.preRender[dot] = preRender;
    }
    return table;
}
constexpr NextWorkTable kNextWork = BuildNextWorkTable();

// Dots without work only count: moves on to dot `until` of the line (341:
// the next line) in one step, or as far as owed allows, at least one dot.
inline void SkipIdleDots(PpuState& p, int32_t until, int32_t owed) {
    int32_t count = until - p.dot;
    const int32_t allowed = owed - p.ppuCyclesDone;
    if (count > allowed) count = allowed > 1 ? allowed : 1;
    p.ppuCyclesDone += count;
    p.dot += count;
    if (p.dot > kLastDot) {
        p.dot = 0;
        p.scanline++;
    }
}

// Dots 257-340 of a visible line in one go, each dot's work in the order the
// dots come (the board sees the fetches as the dot-by-dot run shows them).
inline void WholeVisibleTail(PpuState& p) {
    CopyHorizontal(p);
    SpriteFetchAll(p);
    SpriteLineHandOver(p);
    // Dots 321-336: two tiles. Only the last fetch of a tile touches the
    // shift registers (after its dot's shift), so each tile's eight shifts
    // can come first (at once for attribute bits of 0 or 1, the only values
    // a sound state holds).
    for (int32_t dot = 321; dot <= 336; dot += 8) {
        if (BackgroundRun::Fits(p)) {
            BackgroundRun::ShiftRegisters(p, 8);
        } else {
            for (uint32_t shift = 0; shift < 8; ++shift) ShiftBackground(p);
        }
        BackgroundFetch<0>(p);
        BackgroundFetch<1>(p);
        BackgroundFetch<2>(p);
        BackgroundFetch<3>(p);
        BackgroundFetch<4>(p);
        BackgroundFetch<5>(p);
        BackgroundFetch<6>(p);
        BackgroundFetch<7>(p);
        IncrementCoarseX(p);
    }
    DummyNametableRead(p);
    DummyNametableRead(p);
    p.ppuCyclesDone += kLineDots - 257;
    p.dot = 0;
    p.scanline++;
}

// The dots of a visible line from 257 on (kPreRender false), or of the
// pre-render line from dot 1 on, from p.dot until owed is reached (at least
// one dot) or the line ends: each dot with work as VisibleLineDot or
// PreRenderLineDot does it, the others only counted.
template <bool kPreRender>
inline void TailRun(PpuState& p, int32_t owed) {
    const int16_t* nextWork = kPreRender ? kNextWork.preRender : kNextWork.visible;
    const int32_t first = p.dot;
    int32_t budget = owed - p.ppuCyclesDone;
    if (budget < 1) budget = 1;
    const int32_t end = budget < kLineDots - first ? first + budget : kLineDots;
    if (!kPreRender && first == 257 && end == kLineDots) {
        WholeVisibleTail(p);
        return;
    }
    int32_t dot = first;
    for (;;) {
        dot = nextWork[dot];
        if (dot >= end) {
            dot = end;
            break;
        }
        if (kPreRender) {
            PreRenderWork(p, dot);
        } else if (dot == 257) {
            CopyHorizontal(p);
        } else {
            FetchTailDot(p, dot);
        }
        if (++dot >= end) break;
    }
    p.ppuCyclesDone += dot - first;
    if (dot > kLastDot) {
        p.dot = 0;
        p.scanline++;
    } else {
        p.dot = dot;
    }
}

}  // namespace

namespace {

// The dots of the vertical blank after its first two (line 241 from dot 2,
// lines 242-260) only count: whether the run from the position to owed stays
// among them, and if so the move.
inline bool QuietVblankRun(PpuState& p, int32_t owed) {
    const int32_t line = p.scanline;
    const int32_t dot = p.dot;
    if (line < kVblankLine || line >= kPreRenderLine || (line == kVblankLine && dot <= 1))
        return false;
    const int32_t count = owed - p.ppuCyclesDone;
    // Up to dot 0 of the pre-render line, which has no work either.
    if (count < 1 || count > (kPreRenderLine - line) * kLineDots - dot) return false;
    const int32_t reached = dot + count;
    p.scanline = line + reached / kLineDots;
    p.dot = reached % kLineDots;
    p.ppuCyclesDone = owed;
    return true;
}

// The rendering step from any position: each part of the frame in turn.
[[gnu::noinline]] void StepRenderParts(int32_t owed) {
    PpuState& p = ppu;
    for (;;) {
        const int32_t line = p.scanline;
        const int32_t dot = p.dot;
        const bool dotInRange = static_cast<uint32_t>(dot) <= kLastDot;
        if (line < kVisibleLines) {
            if (static_cast<uint32_t>(dot - 1) < 256) {
                VisiblePixelRun(p, owed);
                if (p.ppuCyclesDone >= owed) return;
                continue;
            }
            if (dot > 256 && dotInRange) {
                TailRun<false>(p, owed);
                if (p.ppuCyclesDone >= owed) return;
                continue;
            }
            VisibleLineDot(p);
        } else if (line == kPreRenderLine) {
            if (dot > 0 && dotInRange) {
                TailRun<true>(p, owed);
                if (p.ppuCyclesDone >= owed) return;
                continue;
            }
            PreRenderLineDot(p);
        } else if (line >= kFrameEndLine) {
            EndFrame(p);
            continue;
        } else if (line == kVblankLine && dot <= 1) {
            VblankLineDot(p);
        } else if (dotInRange) {
            // The rest of the vertical blank and the idle line 240.
            SkipIdleDots(p, kLineDots, owed);
            if (p.ppuCyclesDone >= owed) return;
            continue;
        }
        AdvanceDot(p);
        if (p.ppuCyclesDone >= owed) return;
    }
}

// A run that stays within the pixels of a visible line, or within the quiet
// part of the vertical blank, is the commonest call (the CPU catches the PPU
// up at each of its register accesses): it is taken before anything else.
[[gnu::noinline]] void VisiblePixelRunTo(int32_t owed) {
    VisiblePixelRun(ppu, owed);
}

}  // namespace

void StepRender(int32_t owed) {
    PpuState& p = ppu;
    if (p.scanline < kVisibleLines) {
        const int32_t dot = p.dot;
        if (static_cast<uint32_t>(dot - 1) < 256 && owed - p.ppuCyclesDone <= 257 - dot) {
            VisiblePixelRunTo(owed);
            return;
        }
    } else if (QuietVblankRun(p, owed)) {
        return;
    }
    StepRenderParts(owed);
}

void StepIdle(int32_t owed) {
    PpuState& p = ppu;
    const int32_t count = owed - p.ppuCyclesDone;
    const int32_t dot = p.dot;
    if (p.scanline < kVisibleLines && static_cast<uint32_t>(dot - 1) < 256 && count >= 1 &&
        count <= 257 - dot) {
        // Within a line's pixels: all of one colour.
        pixelCursor = FillPixels(pixelCursor, count, IdleColour(p));
        p.ppuCyclesDone = owed;
        p.dot = dot + count;
        return;
    }
    if (p.scanline >= kVisibleLines && QuietVblankRun(p, owed)) return;
    StepIdleParts(owed);
}

}  // namespace morvel
