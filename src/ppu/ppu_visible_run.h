// The batched renderer: whole runs of visible dots with the background and
// sprite pixel sources known at compile time, the background kept as a stream
// of 4-bit values and the pixels composed through a table. It gives the same
// picture and PPU state as the dot renderer (ppu_dot_renderer.h), which it
// falls back on for any other pair of pixel sources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ppu/ppu_dot_renderer.h"
#include "ppu/ppu_internal.h"

namespace morvel {

// PixelCompose for every sprite value s (0-255) and background value b
// (0-15), indexed by s * 16 + b.
struct PixelComposeTable {
    uint8_t entry[256 * 16];
};
constexpr PixelComposeTable BuildPixelComposeTable() {
    PixelComposeTable table{};
    for (uint32_t s = 0; s < 256; ++s)
        for (uint32_t b = 0; b < 16; ++b)
            table.entry[s * 16 + b] = static_cast<uint8_t>(PixelCompose(b, s));
    return table;
}
inline constexpr PixelComposeTable kPixelCompose = BuildPixelComposeTable();

// The colours of the 32 palette entries (PictureColour of the entry's value),
// indexed like the composition's entries: 32-63 repeat 0-31. Worked out again
// whenever palette memory differs from the copy they were made from, or
// after ForgetPaletteColours (a $2001 write: greyscale and emphasis); derived,
// never saved.
struct PaletteColours {
    uint8_t source[32];
    uint32_t built;
    uint32_t colour[64];
    // The colour of each background value (0-15) where no sprite pixel is:
    // a transparent value shows the backdrop, entry 0.
    uint32_t background[16];
    // The same for two pixels at once: index = the first pixel's value * 16
    // + the second's, the two colours in the order they lie in memory.
    uint64_t backgroundPairs[256];
};
extern PaletteColours paletteColours;
void BuildPaletteColours(const PpuState& p);
inline const PaletteColours& CurrentPaletteColours(const PpuState& p) {
    if (!paletteColours.built ||
        std::memcmp(paletteColours.source, p.paletteRam, sizeof paletteColours.source) != 0)
        BuildPaletteColours(p);
    return paletteColours;
}

// The bits of a byte moved four places apart (bit i to bit 4i).
struct NibbleSpreadTable {
    uint32_t bits[256];
};
constexpr NibbleSpreadTable BuildNibbleSpreadTable() {
    NibbleSpreadTable table{};
    for (uint32_t byte = 0; byte < 256; ++byte) {
        uint32_t spread = 0;
        for (uint32_t i = 0; i < 8; ++i) spread |= ((byte >> i) & 1) << (4 * i);
        table.bits[byte] = spread;
    }
    return table;
}
inline constexpr NibbleSpreadTable kNibbleSpread = BuildNibbleSpreadTable();

// Sixteen bits moved four places apart (bit i to bit 4i).
inline uint64_t NibbleSpread16(uint32_t bits) {
    return (static_cast<uint64_t>(kNibbleSpread.bits[(bits >> 8) & 0xFF]) << 32) |
           kNibbleSpread.bits[bits & 0xFF];
}

// The background during a run of visible dots. The background values (b) of
// the coming dots are kept as a stream of 4-bit values, the current dot's in
// bits 63-60, moved on by one value per dot. A tile loaded at dot t (a
// multiple of 8) shows on dots t + 9 - x to t + 16 - x (x = fine X), with its
// attribute bits: it is ORed into the stream as a block of eight values, as
// the load ORs it into the registers. Before the first load of the run, the
// values come from the shift registers as they stand (the pixel shows bit
// 15 - x of the pattern registers and bit 7 - x of the attribute registers,
// whose coming bits are the current attribute bits).
//
// The registers of PpuState are worked on once per tile: at the start of each
// stretch of dots up to a tile's last fetch (or the end of the run) they take
// all the stretch's shifts at once, which gives the same values, since nothing
// reads them in between.
//
// Only for attribute bits of 0 or 1 (any other value, which only a damaged
// saved state could hold, is left to the dot-by-dot run).
struct BackgroundRun {
    uint64_t stream;

    BackgroundRun() = default;

    static bool Fits(const PpuState& p) { return (p.attrBit0 | p.attrBit1) <= 1; }

    BackgroundRun(const PpuState& p, int32_t first) {
        const uint32_t x = p.fineX & 7;
        const uint32_t fill0 = p.attrBit0 ? 0xFF : 0;
        const uint32_t fill1 = p.attrBit1 ? 0xFF : 0;
        // Bit 15 of each: the first dot's.
        const uint32_t patternLo = p.bgShiftLo << x;
        const uint32_t patternHi = p.bgShiftHi << x;
        const uint32_t attrLo = ((((p.attrShiftLo << x) | (fill0 >> (8 - x))) & 0xFF) << 8) | fill0;
        const uint32_t attrHi = ((((p.attrShiftHi << x) | (fill1 >> (8 - x))) & 0xFF) << 8) | fill1;
        // The attribute bits come from the registers only for the dots before
        // the first load's block. The pattern bits are taken for all sixteen
        // dots: the load ORs its bytes into the low halves of the registers,
        // which still hold bits when fewer than eight shifts came since the
        // previous load (rendering was off for a while), and the block is
        // ORed into the stream the same way.
        const int32_t firstLoad = (first + 7) & ~7;
        const uint32_t fromRegisters =
            static_cast<uint32_t>(firstLoad + 9 - static_cast<int32_t>(x) - first);
        const uint64_t attributes = (NibbleSpread16(attrLo) << 2) | (NibbleSpread16(attrHi) << 3);
        stream = NibbleSpread16(patternLo) | (NibbleSpread16(patternHi) << 1) |
                 (attributes & (~0ull << (64 - 4 * fromRegisters)));
    }

    // A run that starts where the last one ended, with the registers as it
    // left them (nothing ran in between that touched them), goes on with the
    // stream it left: what it holds is what the registers and the loads to
    // come give for those dots.
    static BackgroundRun Resume(const PpuState& p, int32_t first);
    void Suspend(const PpuState& p, int32_t last) const;

    uint32_t Pixel() const { return static_cast<uint32_t>(stream >> 60); }

    // n shifts of the registers (n <= 8).
    static void ShiftRegisters(PpuState& p, uint32_t n) {
        const uint32_t ones = (1u << n) - 1;
        p.bgShiftLo = static_cast<uint16_t>(p.bgShiftLo << n);
        p.bgShiftHi = static_cast<uint16_t>(p.bgShiftHi << n);
        p.attrShiftLo = (p.attrShiftLo << n) | (p.attrBit0 ? ones : 0);
        p.attrShiftHi = (p.attrShiftHi << n) | (p.attrBit1 ? ones : 0);
    }

    // Steps (5)-(7) of visible dot `dot`, whose fetch phase is kPhase: the
    // shift, the fetch phase and, on phase 7, the coarse X increment. The run
    // ends before `last`.
    template <uint32_t kPhase>
    [[gnu::always_inline]] void Dot(PpuState& p, int32_t dot, int32_t last) {
        stream <<= 4;
        BackgroundFetch<kPhase>(p);
        if constexpr (kPhase == 7) {
            // The tile's eight values, its first dot's in the top four bits.
            const uint32_t block = kNibbleSpread.bits[p.bgLatchLo] |
                                   (kNibbleSpread.bits[p.bgLatchHi] << 1) |
                                   ((p.attrLatch & 3) * 0x44444444u);
            stream |= static_cast<uint64_t>(block) << (4 * (p.fineX & 7));
            IncrementCoarseX(p);
            // The shifts of the next stretch: up to the next tile's last
            // fetch or the end of the run.
            const int32_t next = last - dot - 1;
            ShiftRegisters(p, static_cast<uint32_t>(next < 8 ? next : 8));
        }
    }
};

// Where the last run left the stream, and the state it goes with (derived,
// never saved): the position and the registers the stream is made from, two
// stretches of PpuState copied as they stand.
struct BackgroundRunCarry {
    uint64_t stream;
    int32_t scanline;
    int32_t dot;             // 0: nothing carried
    uint8_t shifts[4];       // bgShiftLo, bgShiftHi
    uint8_t attributes[20];  // attrBit0, attrBit1, attrShiftLo, attrShiftHi, fineX
};
extern BackgroundRunCarry backgroundRunCarry;
static_assert(offsetof(PpuState, bgShiftHi) == offsetof(PpuState, bgShiftLo) + 2);
static_assert(offsetof(PpuState, attrBit1) == offsetof(PpuState, attrBit0) + 4);
static_assert(offsetof(PpuState, attrShiftLo) == offsetof(PpuState, attrBit0) + 8);
static_assert(offsetof(PpuState, attrShiftHi) == offsetof(PpuState, attrBit0) + 12);
static_assert(offsetof(PpuState, fineX) == offsetof(PpuState, attrBit0) + 16);

[[gnu::always_inline]] inline BackgroundRun BackgroundRun::Resume(const PpuState& p,
                                                                  int32_t first) {
    const BackgroundRunCarry& carry = backgroundRunCarry;
    if (carry.dot == first && carry.scanline == p.scanline &&
        std::memcmp(carry.shifts, &p.bgShiftLo, sizeof carry.shifts) == 0 &&
        std::memcmp(carry.attributes, &p.attrBit0, sizeof carry.attributes) == 0) {
        BackgroundRun run;
        run.stream = carry.stream;
        return run;
    }
    return BackgroundRun(p, first);
}

[[gnu::always_inline]] inline void BackgroundRun::Suspend(const PpuState& p, int32_t last) const {
    BackgroundRunCarry& carry = backgroundRunCarry;
    carry.stream = stream;
    carry.scanline = p.scanline;
    carry.dot = last;
    std::memcpy(carry.shifts, &p.bgShiftLo, sizeof carry.shifts);
    std::memcpy(carry.attributes, &p.attrBit0, sizeof carry.attributes);
}

// The block of eight stream values of a tile: its pattern bits four apart,
// the attribute bits above them, the first dot's value in the top four bits.
inline uint32_t TileBlock(uint32_t low, uint32_t high, uint32_t attr) {
    return kNibbleSpread.bits[low] | (kNibbleSpread.bits[high] << 1) | (attr * 0x44444444u);
}

// The fetches of a stretch of whole tiles (at most the 32 of a line): each
// tile's block of eight stream values, and the bytes the shift registers
// load at its last dot.
struct TileFetches {
    uint32_t tiles;
    uint32_t blocks[32];
    uint8_t lows[32];
    uint8_t highs[32];
    uint8_t attrs[32];

    void Add(uint32_t t, uint32_t low, uint32_t high, uint32_t attr) {
        lows[t] = static_cast<uint8_t>(low);
        highs[t] = static_cast<uint8_t>(high);
        attrs[t] = static_cast<uint8_t>(attr);
        blocks[t] = TileBlock(low, high, attr);
    }
};

// The background's pages where they are plain memory (PlainPpuPage): the
// fetches from them can read the memory directly, in any order, as long as
// no board watches the address bus. A run of at most 32 tiles reads the
// nametable quarter of v and the one beside it, and the four pattern pages of
// the background's table.
struct PlainBackgroundPages {
    const uint8_t* nametable[4];
    const uint8_t* pattern[4];

    // The two nametable quarters of a run that starts at v: whether both are plain.
    bool FillNametables(uint32_t v) {
        const uint32_t quarter = (v >> 10) & 3;
        nametable[quarter] = PlainPpuPage(8 + quarter);
        nametable[quarter ^ 1] = PlainPpuPage(8 + (quarter ^ 1));
        return nametable[quarter] && nametable[quarter ^ 1];
    }
    // The pattern table at patternBase ($0000 or $1000) as pageOf gives its
    // pages (PlainPpuPage, PpuWatchedPage): whether all four are memory.
    template <const uint8_t* (*pageOf)(uint32_t)>
    bool FillPatterns(uint32_t patternBase) {
        const uint32_t firstPage = (patternBase >> 10) & 4;
        for (uint32_t i = 0; i < 4; ++i) pattern[i] = pageOf(firstPage + i);
        return pattern[0] && pattern[1] && pattern[2] && pattern[3];
    }
};

// The fetch logic's latches as the last of the whole tiles fetched from
// plain pages leaves them; v is already past it.
inline void LatchesAfterPlainTiles(PpuState& p, const PlainBackgroundPages& pages,
                                   const TileFetches& f, uint32_t v) {
    const uint32_t patternBase = p.bgPatternBase | ((v >> 12) & 7);
    p.vramAddr = v;
    const uint32_t lastV = (v & 0x1F) ? v - 1 : (v | 0x1F) ^ 0x0400;
    const uint8_t* nametable = pages.nametable[(lastV >> 10) & 3];
    p.tileOffset = static_cast<uint32_t>(nametable[lastV & 0x3FF]) << 4;
    p.attrAddr = 0x23C0 | (lastV & 0x0C00) | ((lastV >> 4) & 0x38) | ((lastV >> 2) & 7);
    p.attrLatch =
        static_cast<uint32_t>(nametable[p.attrAddr & 0x3FF]) >> (((lastV >> 4) & 4) | (lastV & 2));
    p.fetchAddr = patternBase | p.tileOffset | 8;
    p.bgLatchLo = f.lows[f.tiles - 1];
    p.bgLatchHi = f.highs[f.tiles - 1];
}

// The fetches of `tiles` whole tiles from plain pages, a nametable row at a
// time, each tile's pixels drawn (tilePixels(dot, stream), from the stream's
// top eight values) before its block joins the stream; v and the fetch
// logic's latches are left as the last tile's fetches leave them.
// Without kDraw the tiles' blocks are only kept (TileFetches::Add) for the
// caller to draw.
template <bool kDraw, typename TilePixels>
[[gnu::always_inline]] inline void FetchAndDrawPlainTiles(PpuState& p,
                                                          const PlainBackgroundPages& pages,
                                                          TileFetches& f, BackgroundRun& bg,
                                                          int32_t dot, TilePixels&& tilePixels) {
    uint32_t v = p.vramAddr;
    // Fine Y: the coarse X increments leave it. The page of a tile's pattern
    // is bits 7-6 of its number; rows[i] + number * 16 is the address of the
    // first plane's byte of a tile in page i (kept as integers: the sum
    // leaves the page's memory only in between).
    const uint32_t fineY = (v >> 12) & 7;
    uintptr_t rows[4];
    for (uint32_t i = 0; i < 4; ++i)
        rows[i] = reinterpret_cast<uintptr_t>(pages.pattern[i]) + fineY - (i << 10);
    const uint32_t blockShift = 4 * (p.fineX & 7);
    uint64_t stream = bg.stream;
    for (uint32_t t = 0; t < f.tiles;) {
        // The tiles up to the end of this nametable's row.
        const uint8_t* nametable = pages.nametable[(v >> 10) & 3];
        const uint8_t* names = nametable + (v & 0x3E0);
        const uint8_t* attributes = nametable + (0x3C0 | ((v >> 4) & 0x38));
        const uint32_t quarterRow = (v >> 4) & 4;  // coarse Y bit 1
        uint32_t x = v & 0x1F;
        const uint32_t stop = t + (f.tiles - t < 32 - x ? f.tiles - t : 32 - x);
        for (; t < stop; ++t, ++x) {
            const uint32_t attr = (attributes[x >> 2] >> (quarterRow | (x & 2))) & 3;
            const uint32_t name = names[x];
            const uint8_t* pattern = reinterpret_cast<const uint8_t*>(rows[name >> 6] + name * 16);
            const uint32_t low = pattern[0];
            const uint32_t high = pattern[8];
            if constexpr (kDraw) {
                f.lows[t] = static_cast<uint8_t>(low);
                f.highs[t] = static_cast<uint8_t>(high);
                f.attrs[t] = static_cast<uint8_t>(attr);
                tilePixels(dot + 8 * static_cast<int32_t>(t), stream);
                stream = (stream << 32) |
                         (static_cast<uint64_t>(TileBlock(low, high, attr)) << blockShift);
            } else {
                f.Add(t, low, high, attr);
            }
        }
        // Coarse X as the increments leave it: past column 31 into the next
        // nametable.
        v = x < 32 ? (v & ~0x1Fu) | x : (v & ~0x1Fu) ^ 0x0400;
    }
    if constexpr (kDraw) bg.stream = stream;
    LatchesAfterPlainTiles(p, pages, f, v);
}

// The same through the page handlers, in the order of the dots: nametable,
// attribute, the pattern address shown to a watching board, the two pattern
// planes. The fetch logic's values stay in locals between the calls. With
// kPlainNametables the nametable pages are plain and read directly (nothing
// sees those reads).
template <bool kPlainNametables>
inline void FetchTilesThroughPages(PpuState& p, const PlainBackgroundPages& pages, TileFetches& f) {
    uint32_t v = p.vramAddr;
    const uint32_t patternBase = p.bgPatternBase | ((v >> 12) & 7);
    uint32_t tileOffset = 0;
    uint32_t attrAddr = 0;
    uint32_t attrLatch = 0;
    uint32_t patternAddr = 0;
    for (uint32_t t = 0; t < f.tiles; ++t) {
        attrAddr = 0x23C0 | (v & 0x0C00) | ((v >> 4) & 0x38) | ((v >> 2) & 7);
        const uint32_t attrShift = ((v >> 4) & 4) | (v & 2);
        if constexpr (kPlainNametables) {
            const uint8_t* nametable = pages.nametable[(v >> 10) & 3];
            tileOffset = static_cast<uint32_t>(nametable[v & 0x3FF]) << 4;
            attrLatch = static_cast<uint32_t>(nametable[attrAddr & 0x3FF]) >> attrShift;
        } else {
            tileOffset = static_cast<uint32_t>(PpuFetch(0x2000 | (v & 0x0FFF))) << 4;
            attrLatch = static_cast<uint32_t>(PpuFetch(attrAddr)) >> attrShift;
        }
        patternAddr = patternBase | tileOffset;
        ShowFetchAddress(patternAddr);
        const uint32_t low = PpuFetch(patternAddr);
        patternAddr |= 8;
        const uint32_t high = PpuFetch(patternAddr);
        f.Add(t, low, high, attrLatch & 3);
        if ((v & 0x1F) < 31)
            v += 1;
        else
            v = (v & ~0x1Fu) ^ 0x0400;
    }
    p.vramAddr = v;
    p.tileOffset = tileOffset;
    p.attrAddr = attrAddr;
    p.attrLatch = attrLatch;
    p.fetchAddr = patternAddr;
    p.bgLatchLo = f.lows[f.tiles - 1];
    p.bgLatchHi = f.highs[f.tiles - 1];
}

// Each tile's load at its last dot, then the shifts of the next stretch
// (eight, for the last tile up to the end of the run) for the whole tiles
// from `dot` (8k + 1) of a run that ends at `last`. Thirty-two shifts wash
// out what came before, so only the last five tiles need replaying.
[[gnu::always_inline]] inline void LoadWholeTiles(PpuState& p, const TileFetches& f, int32_t dot,
                                                  int32_t last) {
    uint32_t shiftLo = p.bgShiftLo;
    uint32_t shiftHi = p.bgShiftHi;
    uint32_t attrShiftLo = p.attrShiftLo;
    uint32_t attrShiftHi = p.attrShiftHi;
    for (uint32_t t = f.tiles > 5 ? f.tiles - 5 : 0; t < f.tiles; ++t) {
        const int32_t next = last - (dot + 8 * static_cast<int32_t>(t) + 7) - 1;
        const uint32_t n = static_cast<uint32_t>(next < 8 ? next : 8);
        const uint32_t ones = (1u << n) - 1;
        shiftLo = ((shiftLo | f.lows[t]) << n) & 0xFFFF;
        shiftHi = ((shiftHi | f.highs[t]) << n) & 0xFFFF;
        attrShiftLo = (attrShiftLo << n) | ((f.attrs[t] & 1) ? ones : 0);
        attrShiftHi = (attrShiftHi << n) | ((f.attrs[t] & 2) ? ones : 0);
    }
    p.bgShiftLo = static_cast<uint16_t>(shiftLo);
    p.bgShiftHi = static_cast<uint16_t>(shiftHi);
    p.attrShiftLo = attrShiftLo;
    p.attrShiftHi = attrShiftHi;
    p.attrBit0 = f.attrs[f.tiles - 1] & 1u;
    p.attrBit1 = f.attrs[f.tiles - 1] >> 1;
}

// A whole tile of background alone: its eight pixels from four colour
// pairs (values holds the tile's four pixel-pair indexes), all looked up
// before any is stored, since the stores cannot change the table.
[[gnu::always_inline]] inline uint32_t* StoreTilePairs(const uint64_t* pairs, uint32_t values,
                                                       uint32_t* out) {
    const uint64_t pair0 = pairs[values >> 24];
    const uint64_t pair1 = pairs[(values >> 16) & 0xFF];
    const uint64_t pair2 = pairs[(values >> 8) & 0xFF];
    const uint64_t pair3 = pairs[values & 0xFF];
    std::memcpy(out, &pair0, sizeof pair0);
    std::memcpy(out + 2, &pair1, sizeof pair1);
    std::memcpy(out + 4, &pair2, sizeof pair2);
    std::memcpy(out + 6, &pair3, sizeof pair3);
    return out + 8;
}

// The whole tiles of a run from `dot` (8k + 1) on, as many as fit before
// `last`: their fetches, their pixels (tilePixels(dot, stream), from the
// stream's top eight values, before the tile's block joins the stream) and
// the shift registers. Where the pages are memory the fetches read it
// directly; the tiles' pattern addresses all have the A12 of the
// background's table, so a board watching them that takes a run at once is
// told of the last. Returns the dot after the last whole tile.
// kFused: each tile drawn as it is fetched from memory (the fewest steps when
// the pixels are simple), else all fetched first.
template <bool kFused, typename TilePixels>
[[gnu::always_inline]] inline int32_t WholeTiles(PpuState& p, BackgroundRun& bg, int32_t dot,
                                                 int32_t last, TilePixels&& tilePixels) {
    TileFetches f;
    f.tiles = static_cast<uint32_t>(last - dot) / 8;
    if (f.tiles == 0) return dot;
    PlainBackgroundPages pages;
    bool direct = false;
    if (pages.FillNametables(p.vramAddr)) {
        if (!ppuBoardHooks.addressWatch) {
            direct = pages.FillPatterns<PlainPpuPage>(p.bgPatternBase);
        } else if (pages.FillPatterns<PpuWatchedPage>(p.bgPatternBase)) {
            FetchAndDrawPlainTiles<kFused>(p, pages, f, bg, dot, tilePixels);
            ppuBoardHooks.patternRun(p.fetchAddr);
            direct = true;
        }
        if (!direct)
            FetchTilesThroughPages<true>(p, pages, f);
        else if (!ppuBoardHooks.addressWatch)
            FetchAndDrawPlainTiles<kFused>(p, pages, f, bg, dot, tilePixels);
    } else {
        FetchTilesThroughPages<false>(p, pages, f);
    }
    if (!kFused || !direct) {
        const uint32_t blockShift = 4 * (p.fineX & 7);
        uint64_t stream = bg.stream;
        for (uint32_t t = 0; t < f.tiles; ++t) {
            tilePixels(dot + 8 * static_cast<int32_t>(t), stream);
            stream = (stream << 32) | (static_cast<uint64_t>(f.blocks[t]) << blockShift);
        }
        bg.stream = stream;
    }
    LoadWholeTiles(p, f, dot, last);
    return dot + 8 * static_cast<int32_t>(f.tiles);
}

// Visible dots first..last - 1 (1 <= first < last <= 257) with the background
// and sprite pixel sources known at compile time (kBg, kSprites: the real
// source, else the zero one): the same work as VisiblePixelDot dot by dot.
// kLeftColumn runs (only dots 1-8) apply the clipping of the leftmost eight
// pixels. The sprite line must hold a value for every dot of the run.
template <bool kBg, bool kSprites, bool kLeftColumn>
inline void VisibleRunKnownSources(PpuState& p, int32_t first, int32_t last) {
    if (last > 66) SpriteEvaluateTo(p, last - 1);
    const uint8_t* sprites = nullptr;
    if constexpr (kSprites) {
        // Dot d makes call spriteLineCalls + d - first of the line's sprite pixel.
        sprites = spriteLine + spriteLineCalls - static_cast<uint32_t>(first);
        spriteLineCalls += static_cast<uint32_t>(last - first);
    }
    const PaletteColours& palette = CurrentPaletteColours(p);
    const uint32_t* colours = palette.colour;
    BackgroundRun bg = BackgroundRun::Resume(p, first);
    // The first stretch: up to the end of the first dot's tile or of the run.
    const int32_t tileEnd = ((first - 1) | 7) + 2;
    BackgroundRun::ShiftRegisters(p,
                                  static_cast<uint32_t>((last < tileEnd ? last : tileEnd) - first));
    // In the left column a clipped layer is 0.
    const uint32_t bgMask = kLeftColumn && p.clipBackground ? 0 : 0x0F;
    const uint32_t spriteMask = kLeftColumn && p.clipSprites ? 0 : 0xFF;
    uint32_t hits = 0;
    uint32_t* out = pixelCursor;
    int32_t dot = first;

    // spriteMask7: 0x7F on dot 256, where sprite 0 never hits.
    auto pixel = [&](int32_t d, uint32_t spriteMask7) {
        uint32_t index = 0;
        if constexpr (kBg) index = bg.Pixel();
        if constexpr (kLeftColumn) index &= bgMask;
        if constexpr (kSprites) {
            uint32_t s = sprites[d] & spriteMask7;
            if constexpr (kLeftColumn) s &= spriteMask;
            index |= s << 4;
        }
        const uint32_t entry = kPixelCompose.entry[index];
        hits |= entry;
        *out++ = colours[entry];
    };

    // The eight pixels of a whole tile from dot d (d = 8k + 1, outside the
    // left column): the background values are the stream's top eight, and
    // only where a sprite pixel lies do the two layers meet.
    auto tilePixels = [&](int32_t d, uint64_t stream) __attribute__((always_inline)) {
        uint32_t tile[8];
        const uint32_t values = kBg ? static_cast<uint32_t>(stream >> 32) : 0;
        if constexpr (kSprites) {
            uint64_t spritePixels;
            std::memcpy(&spritePixels, sprites + d, sizeof spritePixels);
            if (d == 249) spritePixels &= ~(0x80ull << 56);  // dot 256: no sprite-0 hit
            if (spritePixels != 0) {
                uint32_t entries = 0;
#pragma GCC unroll 8
                for (uint32_t j = 0; j < 8; ++j) {
                    const uint32_t index = ((values >> (28 - 4 * j)) & 15) |
                                           (static_cast<uint32_t>(spritePixels >> (8 * j)) & 0xFF)
                                               << 4;
                    const uint32_t entry = kPixelCompose.entry[index];
                    entries |= entry;
                    tile[j] = colours[entry];
                }
                hits |= entries;
                std::memcpy(out, tile, sizeof tile);
                out += 8;
                return;
            }
        }
        out = StoreTilePairs(palette.backgroundPairs, values, out);
    };

    // Enter the tile at the phase of the first dot; each case falls through
    // to the next phase until the run ends. Whole tiles go at once.
    uint32_t phase = static_cast<uint32_t>(first - 1) & 7;
    for (;;) {
        if (!kLeftColumn && phase == 0) {
            dot = WholeTiles<false>(p, bg, dot, last, tilePixels);
            if (dot == last) break;
        }
        switch (phase) {
#define MORVEL_VISIBLE_DOT(k)     \
    case k:                       \
        pixel(dot, 0xFF);         \
        bg.Dot<k>(p, dot, last);  \
        if (++dot == last) break; \
        [[fallthrough]];
            MORVEL_VISIBLE_DOT(0)
            MORVEL_VISIBLE_DOT(1)
            MORVEL_VISIBLE_DOT(2)
            MORVEL_VISIBLE_DOT(3)
            MORVEL_VISIBLE_DOT(4)
            MORVEL_VISIBLE_DOT(5)
            MORVEL_VISIBLE_DOT(6)
#undef MORVEL_VISIBLE_DOT
            case 7:
                pixel(dot, dot == 256 ? 0x7F : 0xFF);
                bg.Dot<7>(p, dot, last);
                ++dot;
                break;
            default: break;
        }
        if (dot == last) break;
        phase = 0;
    }
    if (last == 257) IncrementY(p);  // after the coarse X increment of dot 256
    bg.Suspend(p, last);
    if (hits & 0x20) p.sprite0Hit = 0x40 | p.sprite0Hit;
    pixelCursor = out;
    p.ppuCyclesDone += last - first;
    p.dot = last;
}

// The pixels of n dots (n <= 8) of a picture of background alone: the
// stream's top n values, two at a time, the stream moved on past them. In
// the left column with the background clipped (`clipped`) every pixel is the
// backdrop.
[[gnu::always_inline]] inline uint32_t* BackgroundOnlyPixels(bool clipped,
                                                             const PaletteColours& palette,
                                                             uint64_t& stream, uint32_t* out,
                                                             uint32_t n) {
    if (clipped) {
        for (uint32_t i = 0; i < n; ++i) out[i] = palette.background[0];
        stream <<= 4 * n;
        return out + n;
    }
    uint64_t values = stream;
    auto pair = [&] {
        const uint64_t colours = palette.backgroundPairs[values >> 56];
        std::memcpy(out, &colours, sizeof colours);
        out += 2;
        values <<= 8;
    };
    switch (n >> 1) {
        case 4: pair(); [[fallthrough]];
        case 3: pair(); [[fallthrough]];
        case 2: pair(); [[fallthrough]];
        case 1: pair(); break;
        default: break;
    }
    if (n & 1) *out++ = palette.background[values >> 60];
    stream <<= 4 * n;
    return out;
}

// The fetch work of n dots of one tile (phase + n <= 8) from fetch phase
// `phase`, the stream already moved on past them; the tile's last dot (phase
// 7) loads it, moves coarse X on and shifts the registers for the next
// stretch, up to the next tile's last fetch or `last`.
[[gnu::always_inline]] inline void PartialTileFetches(PpuState& p, BackgroundRun& bg,
                                                      uint32_t phase, uint32_t n, int32_t tileLast,
                                                      int32_t last) {
    switch (phase) {
#define MORVEL_FETCH_PHASE(k)  \
    case k:                    \
        BackgroundFetch<k>(p); \
        if (--n == 0) return;  \
        [[fallthrough]];
        MORVEL_FETCH_PHASE(0)
        MORVEL_FETCH_PHASE(1)
        MORVEL_FETCH_PHASE(2)
        MORVEL_FETCH_PHASE(3)
        MORVEL_FETCH_PHASE(4)
        MORVEL_FETCH_PHASE(5)
        MORVEL_FETCH_PHASE(6)
#undef MORVEL_FETCH_PHASE
        case 7: {
            BackgroundFetch<7>(p);
            const uint32_t block = kNibbleSpread.bits[p.bgLatchLo] |
                                   (kNibbleSpread.bits[p.bgLatchHi] << 1) |
                                   ((p.attrLatch & 3) * 0x44444444u);
            bg.stream |= static_cast<uint64_t>(block) << (4 * (p.fineX & 7));
            IncrementCoarseX(p);
            const int32_t next = last - tileLast - 1;
            BackgroundRun::ShiftRegisters(p, static_cast<uint32_t>(next < 8 ? next : 8));
            return;
        }
        default: return;
    }
}

// The eight fetch phases of one tile whose dots all lie in the run, the
// stream already moved on past them, as PartialTileFetches does them: read
// directly where the tile's nametable and pattern pages are memory (a board
// watching the pattern addresses that takes a run at once is told of the
// tile's three, which share A12, by the last), else phase by phase.
[[gnu::always_inline]] inline void WholeTileFetches(PpuState& p, BackgroundRun& bg,
                                                    int32_t tileLast, int32_t last) {
    const uint32_t v = p.vramAddr;
    const uint8_t* nametable = PlainPpuPage(8 + ((v >> 10) & 3));
    if (!nametable) {
        PartialTileFetches(p, bg, 0, 8, tileLast, last);
        return;
    }
    const uint32_t tileOffset = static_cast<uint32_t>(nametable[v & 0x3FF]) << 4;
    const uint32_t patternAddr = ((v >> 12) & 7) | p.bgPatternBase | tileOffset;
    const bool watched = ppuBoardHooks.addressWatch != nullptr;
    const uint8_t* pattern =
        watched ? PpuWatchedPage(patternAddr >> 10) : PlainPpuPage(patternAddr >> 10);
    if (!pattern) {
        PartialTileFetches(p, bg, 0, 8, tileLast, last);
        return;
    }
    if (watched) ppuBoardHooks.patternRun(patternAddr | 8);
    const uint32_t attrAddr = 0x23C0 | (v & 0x0C00) | ((v >> 4) & 0x38) | ((v >> 2) & 7);
    const uint32_t attrLatch =
        static_cast<uint32_t>(nametable[attrAddr & 0x3FF]) >> (((v >> 4) & 4) | (v & 2));
    const uint32_t low = pattern[patternAddr & 0x3FF];
    const uint32_t high = pattern[(patternAddr | 8) & 0x3FF];
    p.tileOffset = tileOffset;
    p.attrAddr = attrAddr;
    p.attrLatch = attrLatch;
    p.fetchAddr = patternAddr | 8;
    p.bgLatchLo = static_cast<uint16_t>(low);
    p.bgLatchHi = static_cast<uint16_t>(high);
    p.bgShiftLo = static_cast<uint16_t>(p.bgShiftLo | low);
    p.bgShiftHi = static_cast<uint16_t>(p.bgShiftHi | high);
    p.attrBit0 = attrLatch & 1;
    p.attrBit1 = (attrLatch >> 1) & 1;
    bg.stream |= static_cast<uint64_t>(TileBlock(low, high, attrLatch & 3)) << (4 * (p.fineX & 7));
    IncrementCoarseX(p);
    const int32_t next = last - tileLast - 1;
    BackgroundRun::ShiftRegisters(p, static_cast<uint32_t>(next < 8 ? next : 8));
}

// Visible dots first..last - 1 with the background shown and no sprite
// pixel on the line (the sprites hidden, or none found for it): each pixel
// is its background value's colour, or the backdrop where the left column
// is clipped; the same work as VisibleRunKnownSources<true, false, ...>. The dots before the first
// whole tile and after the last take their pixels at once and then their
// fetch phases; the whole tiles go as one batch, except in a short run.
inline void BackgroundOnlyRun(PpuState& p, int32_t first, int32_t last) {
    constexpr int32_t kShortRun = 24;
    if (last > 66) SpriteEvaluateTo(p, last - 1);
    const PaletteColours& palette = CurrentPaletteColours(p);
    BackgroundRun bg = BackgroundRun::Resume(p, first);
    uint32_t* out = pixelCursor;
    int32_t dot = first;
    // The first stretch: up to the end of the first dot's tile or of the run.
    const int32_t tileEnd = ((first - 1) | 7) + 2;
    const int32_t headEnd = last < tileEnd ? last : tileEnd;
    BackgroundRun::ShiftRegisters(p, static_cast<uint32_t>(headEnd - first));
    const uint32_t phase = static_cast<uint32_t>(first - 1) & 7;
    // Dots 1-8 are the first tile of the line: the clipping covers the
    // head, and never more.
    const bool clipped = first <= 8 && p.clipBackground;
    if (clipped || phase != 0 || headEnd != tileEnd || last - first < kShortRun) {
        // Tile by tile: the first dot's tile (or part of it), and in a short
        // run each tile after it, whole or part.
        uint32_t n = static_cast<uint32_t>(headEnd - first);
        out = BackgroundOnlyPixels(clipped, palette, bg.stream, out, n);
        PartialTileFetches(p, bg, phase, n, tileEnd - 1, last);
        dot = headEnd;
        if (last - first < kShortRun) {
            for (; dot != last; dot += static_cast<int32_t>(n)) {
                n = static_cast<uint32_t>(last - dot < 8 ? last - dot : 8);
                out = BackgroundOnlyPixels(false, palette, bg.stream, out, n);
                if (n == 8)
                    WholeTileFetches(p, bg, dot + 7, last);
                else
                    PartialTileFetches(p, bg, 0, n, dot + 7, last);
            }
        }
    }
    if (dot != last) {
        const uint64_t* pairs = palette.backgroundPairs;
        dot = WholeTiles<true>(
            p, bg, dot, last, [&](int32_t, uint64_t stream) __attribute__((always_inline)) {
                out = StoreTilePairs(pairs, static_cast<uint32_t>(stream >> 32), out);
            });
        if (dot != last) {
            // Part of a tile: its first fetch phases, never its last.
            const uint32_t n = static_cast<uint32_t>(last - dot);
            out = BackgroundOnlyPixels(false, palette, bg.stream, out, n);
            PartialTileFetches(p, bg, 0, n, dot + 7, last);
        }
    }
    if (last == 257) IncrementY(p);  // after the coarse X increment of dot 256
    bg.Suspend(p, last);
    pixelCursor = out;
    p.ppuCyclesDone += last - first;
    p.dot = last;
}

// Any other pair of pixel sources is called through the pointers, dot by dot.
inline uint32_t CallBgPixelSource() {
    return bgPixelSource();
}
inline uint32_t CallSpritePixelSource() {
    return spritePixelSource();
}

// Known sources: the left column, where clipping applies, and the rest of the
// line as separate runs.
template <bool kBg, bool kSprites>
inline void VisibleRunKnown(PpuState& p, int32_t first, int32_t last) {
    if (first <= 8 && (p.clipBackground || p.clipSprites)) {
        const int32_t end = last < 9 ? last : 9;
        VisibleRunKnownSources<kBg, kSprites, true>(p, first, end);
        if (end == last) return;
        first = end;
    }
    VisibleRunKnownSources<kBg, kSprites, false>(p, first, last);
}

// The run for the pixel sources SelectRenderer chose: chosen once per call of
// the step, so the known sources are inlined into whole runs of dots.
inline void VisiblePixelRun(PpuState& p, int32_t owed) {
    const PixelSource bg = bgPixelSource;
    const PixelSource sprite = spritePixelSource;
    const int32_t first = p.dot;
    const int32_t last = VisibleRunEnd(p, owed);
    const uint32_t count = static_cast<uint32_t>(last - first);
    if ((bg == BackgroundPixel || bg == ZeroPixel) && BackgroundRun::Fits(p)) {
        // The sprite line covers 256 calls; past them, which only happens
        // after a line whose tail was not rendered, the dot-by-dot run answers.
        const bool spriteLine = sprite == SpritePixel && spriteLineCalls + count <= 256;
        // No sprite on the line: every sprite pixel is 0, the picture the
        // background's alone.
        if (bg == BackgroundPixel &&
            (sprite == ZeroPixel || (spriteLine && p.lineSpriteCount == 0))) {
            if (sprite != ZeroPixel) spriteLineCalls += count;
            BackgroundOnlyRun(p, first, last);
            return;
        }
        if (sprite == ZeroPixel) {
            VisibleRunKnown<false, false>(p, first, last);
            return;
        }
        if (spriteLine) {
            if (!spriteLineReady) BuildSpriteLine(p);
            if (bg == BackgroundPixel)
                VisibleRunKnown<true, true>(p, first, last);
            else
                VisibleRunKnown<false, true>(p, first, last);
            return;
        }
    }
    VisiblePixelRunWith<CallBgPixelSource, CallSpritePixelSource>(p, first, last);
}

}  // namespace morvel
