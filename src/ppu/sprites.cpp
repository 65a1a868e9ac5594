// Sprites: evaluation of OAM for the next line, the pattern fetches after the
// visible part of a line, and the eight output units that shift the pixels out.
#include <bit>
#include <cstring>

#include "ppu/ppu_internal.h"

namespace morvel {

namespace {

constexpr uint32_t kFirstEvaluationDot = 66;

// Copies OAM entry n, in range at `row`, into the next slot of secondary OAM.
void CopyFoundSprite(PpuState& p, uint32_t n, uint32_t row) {
    const uint8_t* entry = &p.oam[n * 4];
    SecondaryOamEntry& found = p.secondaryOam[p.foundSprites];
    found.tile = entry[1];
    found.x = entry[3];
    found.attributes = entry[2];
    if (entry[2] & 0x80) row = ~row & p.spriteHeightMinus1;  // vertical flip
    found.row = static_cast<uint8_t>(row);
    found.sprite0 = n == 0 ? 0x80 : 0;
    p.foundSprites++;
}

// For each line, the sprites whose Y puts them on it (bit n for OAM entry
// n), for the search for the first eight: worked out again whenever OAM or
// the sprite height differ from the copy it was made from. Derived, never
// saved.
struct SpritesOnLines {
    uint8_t oam[256];
    uint32_t height;  // ~0: nothing worked out yet
    uint64_t sprites[256];
};
SpritesOnLines spritesOnLines{{}, ~0u, {}};

uint64_t SpritesOnLine(const PpuState& p, uint32_t line) {
    SpritesOnLines& s = spritesOnLines;
    const uint32_t height = p.spriteHeightMinus1;
    if (s.height != height || std::memcmp(s.oam, p.oam, sizeof s.oam) != 0) {
        std::memcpy(s.oam, p.oam, sizeof s.oam);
        s.height = height;
        std::memset(s.sprites, 0, sizeof s.sprites);
        for (uint32_t n = 0; n < 64; ++n) {
            const uint32_t y = p.oam[n * 4];
            for (uint32_t row = 0; row <= height && y + row < 256; ++row)
                s.sprites[y + row] |= 1ull << n;
        }
    }
    return s.sprites[line & 255];
}

}  // namespace

// Each pass of the loop is one step at the even dot c.evalDot. A sprite whose
// Y is not in range (a sprite below the line gives a huge unsigned row) takes
// two dots, one in range eight. After the eighth, the console's search for a
// ninth increments the byte index m along with the sprite index n, so that
// it compares byte 1 of one sprite, byte 2 of the next and so on as their Y;
// a match sets the overflow flag, and the search ends.
void SpriteEvaluateSteps(PpuState& p, uint32_t dot) {
    PpuCycleState& c = ppuCycle;
    const uint32_t line = static_cast<uint32_t>(p.scanline);
    if (c.evalLine != line) {
        c.evalLine = line;
        c.evalDot = kFirstEvaluationDot;
        c.evalByte = 0;
        c.evalStage = kFindEight;
        p.evalIndex = 0;
        p.foundSprites = 0;
    }
    const uint32_t height = p.spriteHeightMinus1;
    const uint64_t lineSprites = c.evalStage == kFindEight ? SpritesOnLine(p, line) : 0;
    while (c.evalDot <= dot && c.evalStage != kEvaluationDone) {
        uint32_t n = p.evalIndex & 63;
        if (c.evalStage == kFindEight) {
            // Most sprites are not on the line: their steps only move on,
            // as many as the dots up to `dot` hold, never past sprite 63.
            const uint32_t first = n;
            const uint32_t steps = (dot - c.evalDot) / 2 + 1;
            const uint32_t limit = first + steps < 63 ? first + steps : 63;
            const uint64_t onLine = lineSprites >> n;
            const uint32_t found =
                onLine ? static_cast<uint32_t>(std::countr_zero(onLine)) + n : 64;
            n = found < limit ? found : limit;
            const uint32_t next = c.evalDot + 2 * (n - first);
            c.evalDot = next;
            p.evalIndex = n;
            if (next > dot) break;
            const uint32_t row = line - p.oam[n * 4];
            if (row <= height) {
                CopyFoundSprite(p, n, row);
                c.evalDot += 8;
            } else {
                c.evalDot += 2;
            }
            if (p.foundSprites >= 8) c.evalStage = kSearchOverflow;
        } else {
            const uint32_t m = c.evalByte & 3;
            if (line - p.oam[n * 4 + m] <= height) {
                p.spriteOverflow = 0x20;
                c.evalStage = kEvaluationDone;
                break;
            }
            c.evalByte = (m + 1) & 3;
            c.evalDot += 2;
        }
        if (n == 63) {
            c.evalStage = kEvaluationDone;
            break;
        }
        p.evalIndex = n + 1;
    }
    // Past every dot: the callers have nothing more to ask for on this line.
    if (c.evalStage == kEvaluationDone) c.evalDot = kLineDots;
}

namespace {

// A unit without a sprite fetches from the $FF bytes secondary OAM was
// cleared to: tile $FF, which with 8x16 sprites lies in the table at $1000
// whatever $2000 says (a board counting A12 rises sees it). Its bytes are not
// shown.
inline uint32_t EmptySlotFetchAddress(const PpuState& p) {
    return p.spriteHeightMinus1 == 15 ? 0x1000u + 0xFEu * 16 : p.spritePatternBase | 0xFF0u;
}

// The first fetch's address of sprite unit k (the fetch slot), with the
// unit's attributes, sprite-0 marker and X taken from secondary OAM.
inline void StartSpriteFetch(PpuState& p, uint32_t k) {
    if (k == 0) SettleSpriteUnits(p);
    // OAMADDR is cleared during the sprite fetches of every rendered line.
    p.oamAddr = 0;
    p.spriteFetchAddr = EmptySlotFetchAddress(p);
    if (k < p.foundSprites) {
        const SecondaryOamEntry& e = p.secondaryOam[k];
        const uint32_t row = e.row & 15;
        if (p.spriteHeightMinus1 == 15) {
            // 8x16: bit 0 of the tile picks the table; the top half is the even
            // tile, the bottom half the odd one.
            p.spriteFetchAddr =
                (e.tile & 1u) * 0x1000 + ((e.tile & 0xFEu) + ((row >> 3) & 1)) * 16 + (row & 7);
        } else {
            p.spriteFetchAddr = (e.tile * 16u) | p.spritePatternBase | row;
        }
        SpriteUnit& unit = p.spriteUnits[k];
        unit.attributes = e.attributes;
        unit.sprite0 = e.sprite0;
        unit.xCounter = e.x;
    }
}

}  // namespace

void SpriteFetchFirst(PpuState& p) {
    const uint32_t k = p.fetchSlot & 7;
    StartSpriteFetch(p, k);
    p.spriteUnits[k].patternLo = PpuFetch(p.spriteFetchAddr);
}

void SpriteFetchSecond(PpuState& p) {
    p.spriteUnits[p.fetchSlot & 7].patternHi = PpuFetch(p.spriteFetchAddr | 8);
    p.fetchSlot = (p.fetchSlot + 1) & 7;
}

void SpriteFetchAll(PpuState& p) {
    // A board watching the pattern addresses sees them as runs (PpuBoardHooks::
    // patternRun): a unit's two fetches share A12, and with 8x8 sprites all
    // sixteen do (the sprites' table).
    const PpuBoardHooks& hooks = ppuBoardHooks;
    const bool watched = hooks.addressWatch != nullptr;
    const uint8_t* const* memory = watched ? ppuWatchedPages : ppuPlainPages;
    const uint8_t* pages[8];
    for (uint32_t i = 0; i < 8; ++i) {
        pages[i] = memory[i];
        if (!pages[i]) {
            for (uint32_t unit = 0; unit < 8; ++unit) {
                SpriteFetchFirst(p);
                SpriteFetchSecond(p);
            }
            return;
        }
    }
    if (p.foundSprites == 0 && (p.fetchSlot & 7) == 0) {
        // No sprite found: each unit fetches the same two bytes of tile $FF
        // (StartSpriteFetch sets nothing else).
        SettleSpriteUnits(p);
        p.oamAddr = 0;
        const uint32_t address = EmptySlotFetchAddress(p);
        p.spriteFetchAddr = address;
        const uint8_t* page = pages[(address >> 10) & 7];
        const uint8_t low = page[address & 0x3FF];
        const uint8_t high = page[(address | 8) & 0x3FF];
        for (SpriteUnit& unit : p.spriteUnits) {
            unit.patternLo = low;
            unit.patternHi = high;
        }
        if (watched) hooks.patternRun(address | 8);
        return;
    }
    // tellUnit(address): the unit's fetches are done, the first at address.
    auto fetchUnits = [&](auto tellUnit) {
        for (uint32_t unit = 0; unit < 8; ++unit) {
            const uint32_t k = p.fetchSlot & 7;
            StartSpriteFetch(p, k);
            const uint32_t address = p.spriteFetchAddr;
            const uint8_t* page = pages[(address >> 10) & 7];
            p.spriteUnits[k].patternLo = page[address & 0x3FF];
            p.spriteUnits[k].patternHi = page[(address | 8) & 0x3FF];
            p.fetchSlot = (k + 1) & 7;
            tellUnit(address);
        }
    };
    if (!watched) {
        fetchUnits([](uint32_t) {});
    } else if (p.spriteHeightMinus1 == 15) {
        fetchUnits([](uint32_t address) { ppuBoardHooks.patternRun(address | 8); });
    } else {
        fetchUnits([](uint32_t) {});
        hooks.patternRun(p.spriteFetchAddr | 8);
    }
}

void SpriteLineHandOver(PpuState& p) {
    SettleSpriteUnits(p);
    SpriteEvaluationReset();
    p.lineSpriteCount = p.foundSprites < 8 ? p.foundSprites : 8;
    p.foundSprites = 0;
    p.fetchSlot = 0;
}

// The sprite pixel function. Every unit in use counts down to its X, then
// shifts one pixel out per call; all of them shift on every call, so the
// first opaque one (lowest OAM index) wins. The n-th call of a line depends
// only on the units as fetched, so the first call works out the whole line
// and later calls look their result up; before the next line's fetches the
// units are brought to the state that the calls so far have left them in.
// Calls of SpritePixel since the hand-over, and their precomputed results
// (index = call number). Derived from the units, never saved.
uint32_t spriteLineCalls;
uint8_t spriteLineReady;
uint8_t spriteLine[256 + 8 + 256];

namespace {

// The eight pixels of a pattern byte as bytes 0-7, leftmost first: byte j is
// bit 7 - j (plain) or bit j (flipped) of the byte.
struct PatternByteTables {
    uint64_t plain[256];
    uint64_t flipped[256];
};
constexpr PatternByteTables BuildPatternByteTables() {
    PatternByteTables tables{};
    for (uint32_t byte = 0; byte < 256; ++byte) {
        for (uint32_t j = 0; j < 8; ++j) {
            tables.plain[byte] |= static_cast<uint64_t>((byte >> (7 - j)) & 1) << (8 * j);
            tables.flipped[byte] |= static_cast<uint64_t>((byte >> j) & 1) << (8 * j);
        }
    }
    return tables;
}
constexpr PatternByteTables kPatternBytes = BuildPatternByteTables();

constexpr uint64_t kEveryByte = 0x0101010101010101ull;

}  // namespace

// A sprite's eight pixels go into the line at once: a pixel lands where it
// is opaque and no earlier unit put one (a stored value is never 0, its low
// two bits being the pixel).
void BuildSpriteLine(const PpuState& p) {
    std::memset(spriteLine, 0, sizeof spriteLine);
    const uint32_t count = p.lineSpriteCount < 8 ? p.lineSpriteCount : 8;
    for (uint32_t i = 0; i < count; ++i) {
        const SpriteUnit& unit = p.spriteUnits[i];
        if (unit.xCounter >= 256) continue;  // never reaches a pixel
        const bool flip = (unit.attributes & 0x40) != 0;
        const uint32_t upper =
            (unit.attributes & 0x20u) | (unit.sprite0 & 0x80u) | ((unit.attributes & 3u) << 2);
        const uint64_t* bytes = flip ? kPatternBytes.flipped : kPatternBytes.plain;
        const uint64_t pixels = bytes[unit.patternLo] | (bytes[unit.patternHi] << 1);
        if (pixels == 0) continue;
        uint8_t* slots = spriteLine + unit.xCounter;
        uint64_t taken;
        std::memcpy(&taken, slots, sizeof taken);
        // 0xFF in every byte where the pixel is opaque and the slot still free.
        const uint64_t opaque = (pixels | (pixels >> 1)) & kEveryByte;
        const uint64_t used = (taken | (taken >> 1)) & kEveryByte;
        const uint64_t lands = (opaque & ~used) * 0xFF;
        taken |= (pixels | (upper * kEveryByte)) & lands;
        std::memcpy(slots, &taken, sizeof taken);
    }
    spriteLineReady = 1;
}

uint32_t SpritePixel() {
    return SpritePixelOf(ppu);
}

void SettleSpriteUnits(PpuState& p) {
    const uint32_t calls = spriteLineCalls;
    const uint32_t count = p.lineSpriteCount < 8 ? p.lineSpriteCount : 8;
    for (uint32_t i = 0; calls != 0 && i < count; ++i) {
        SpriteUnit& unit = p.spriteUnits[i];
        if (unit.xCounter >= calls) {
            unit.xCounter -= calls;
            continue;
        }
        const uint32_t shifts = calls - unit.xCounter;
        unit.xCounter = 0;
        if (shifts >= 8) {
            unit.patternLo = unit.patternHi = 0;
        } else if (unit.attributes & 0x40) {
            unit.patternLo = static_cast<uint8_t>(unit.patternLo >> shifts);
            unit.patternHi = static_cast<uint8_t>(unit.patternHi >> shifts);
        } else {
            unit.patternLo = static_cast<uint8_t>(unit.patternLo << shifts);
            unit.patternHi = static_cast<uint8_t>(unit.patternHi << shifts);
        }
    }
    spriteLineCalls = 0;
    spriteLineReady = 0;
}

}  // namespace morvel
