// Sprites: evaluation of OAM for the next line, the pattern fetches after the
// visible part of a line, and the eight output units that shift the pixels out.
#include <cstring>

#include "ppu/ppu_internal.h"

namespace morvel {

void SpriteEvaluate(PpuState& p, int32_t dot) {
    const uint32_t n = (static_cast<uint32_t>(dot - 1) >> 2) & 63;
    p.evalIndex = n;
    const uint8_t* entry = &p.oam[n * 4];
    // A sprite below the line gives a huge unsigned row and is skipped.
    uint32_t row = static_cast<uint32_t>(p.scanline) - entry[0];
    if (row > p.spriteHeightMinus1) return;
    if (p.foundSprites >= 8) {
        p.spriteOverflow = 0x20;
        return;
    }
    SecondaryOamEntry& found = p.secondaryOam[p.foundSprites];
    found.tile = entry[1];
    found.x = entry[3];
    found.attributes = entry[2];
    if (entry[2] & 0x80) row = ~row & p.spriteHeightMinus1;  // vertical flip
    found.row = static_cast<uint8_t>(row);
    found.sprite0 = n == 0 ? 0x80 : 0;
    p.foundSprites++;
}

void SpriteEvaluateDots(PpuState& p, int32_t first, int32_t last) {
    for (int32_t dot = (first + 3) & ~3; dot < last; dot += 4) SpriteEvaluate(p, dot);
}

void SpriteFetchFirst(PpuState& p) {
    const uint32_t k = p.fetchSlot & 7;
    if (k == 0) SettleSpriteUnits(p);
    p.spriteFetchAddr = p.spritePatternBase;
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
    p.spriteUnits[k].patternLo = PpuFetch(p.spriteFetchAddr);
}

void SpriteFetchSecond(PpuState& p) {
    p.spriteUnits[p.fetchSlot & 7].patternHi = PpuFetch(p.spriteFetchAddr | 8);
    p.fetchSlot = (p.fetchSlot + 1) & 7;
}

void SpriteLineHandOver(PpuState& p) {
    SettleSpriteUnits(p);
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

void BuildSpriteLine(const PpuState& p) {
    std::memset(spriteLine, 0, sizeof spriteLine);
    const uint32_t count = p.lineSpriteCount < 8 ? p.lineSpriteCount : 8;
    for (uint32_t i = 0; i < count; ++i) {
        const SpriteUnit& unit = p.spriteUnits[i];
        if (unit.xCounter >= 256) continue;  // never reaches a pixel
        const bool flip = (unit.attributes & 0x40) != 0;
        const uint32_t upper =
            (unit.attributes & 0x20u) | (unit.sprite0 & 0x80u) | ((unit.attributes & 3u) << 2);
        for (uint32_t j = 0; j < 8; ++j) {
            const uint32_t bit = flip ? j : 7 - j;
            const uint32_t pixel =
                (((unit.patternHi >> bit) & 1u) << 1) | ((unit.patternLo >> bit) & 1u);
            uint8_t& slot = spriteLine[unit.xCounter + j];
            if (slot == 0 && pixel != 0) slot = static_cast<uint8_t>(upper | pixel);
        }
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
