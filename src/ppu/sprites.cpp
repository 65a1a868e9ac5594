// Sprites: evaluation of OAM for the next line, the pattern fetches after the
// visible part of a line, and the eight output units that shift the pixels out.
#include "ppu/ppu_internal.h"

namespace morvel {

void SpriteEvaluate(PpuState& p) {
    const uint32_t n = (static_cast<uint32_t>(p.dot - 1) >> 2) & 63;
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

void SpriteFetchFirst(PpuState& p) {
    const uint32_t k = p.fetchSlot & 7;
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
    p.lineSpriteCount = p.foundSprites < 8 ? p.foundSprites : 8;
    p.foundSprites = 0;
    p.fetchSlot = 0;
}

// Every unit in use counts down to its X, then shifts one pixel per dot. All of
// them shift on every dot, so the first opaque one (lowest OAM index) wins.
uint32_t SpritePixel() {
    PpuState& p = ppu;
    uint32_t result = 0;
    const uint32_t count = p.lineSpriteCount < 8 ? p.lineSpriteCount : 8;
    for (uint32_t i = 0; i < count; ++i) {
        SpriteUnit& unit = p.spriteUnits[i];
        if (unit.xCounter != 0) {
            unit.xCounter--;
            continue;
        }
        uint32_t pixel;
        if (unit.attributes & 0x40) {  // horizontal flip
            pixel = ((unit.patternHi & 1u) << 1) | (unit.patternLo & 1u);
            unit.patternLo >>= 1;
            unit.patternHi >>= 1;
        } else {
            pixel = ((unit.patternHi >> 6) & 2u) | (unit.patternLo >> 7);
            unit.patternLo = static_cast<uint8_t>(unit.patternLo << 1);
            unit.patternHi = static_cast<uint8_t>(unit.patternHi << 1);
        }
        if (result == 0 && pixel != 0)
            result = (unit.attributes & 0x20u) | (unit.sprite0 & 0x80u) |
                     ((unit.attributes & 3u) << 2) | pixel;
    }
    return result;
}

}  // namespace morvel
