// The PPU's whole state, one record stored raw by save states (4652 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace morvel {

// A sprite found for the next line by evaluation.
struct SecondaryOamEntry {
    uint8_t tile;
    uint8_t x;
    uint8_t attributes;
    uint8_t row;      // row within the sprite, already flipped
    uint8_t sprite0;  // $80 for OAM entry 0, else 0
};
static_assert(sizeof(SecondaryOamEntry) == 5);

// One of the eight sprite output units of the current line.
struct SpriteUnit {
    uint8_t patternLo;
    uint8_t patternHi;
    uint8_t attributes;
    uint8_t sprite0;
    uint32_t xCounter;
};
static_assert(sizeof(SpriteUnit) == 8);

struct PpuState {
    uint32_t vramAddr;
    uint32_t tempAddr;
    int32_t scanline;
    int32_t dot;
    int32_t ppuCyclesDone;
    uint32_t writeToggle;
    uint32_t vramIncrement;
    uint32_t nmiEnabled;
    uint32_t bgPatternBase;
    uint32_t vblankFlag;
    uint8_t nametableRam[4][1024];
    uint8_t paletteRam[32];
    uint16_t bgShiftLo;
    uint16_t bgShiftHi;
    uint16_t bgLatchLo;
    uint16_t bgLatchHi;
    uint32_t attrLatch;
    uint32_t attrBit0;
    uint32_t attrBit1;
    uint32_t attrShiftLo;
    uint32_t attrShiftHi;
    uint32_t fineX;
    uint32_t showBackground;
    uint32_t readScratch;
    uint32_t readBuffer;
    uint32_t clipBackground;
    uint32_t oddFrame;
    uint32_t fetchAddr;
    uint32_t attrAddr;
    uint32_t tileOffset;
    uint32_t nmiArmed;
    uint32_t reserved;
    uint32_t evalIndex;
    uint32_t lineSpriteCount;
    uint32_t fetchSlot;
    uint32_t spriteFetchAddr;
    uint8_t oam[256];
    SecondaryOamEntry secondaryOam[8];
    SpriteUnit spriteUnits[8];
    uint32_t oamAddr;
    uint32_t foundSprites;
    uint32_t spriteOverflow;
    uint32_t sprite0Hit;
    uint32_t spritePatternBase;
    uint32_t spriteHeightMinus1;
    uint32_t clipSprites;
    uint32_t showSprites;
    uint32_t vblankSuppress;
};
static_assert(std::is_trivially_copyable_v<PpuState>);
static_assert(sizeof(PpuState) == 4652);
static_assert(offsetof(PpuState, nametableRam) == 40);
static_assert(offsetof(PpuState, paletteRam) == 4136);
static_assert(offsetof(PpuState, bgShiftLo) == 4168);
static_assert(offsetof(PpuState, attrLatch) == 4176);
static_assert(offsetof(PpuState, reserved) == 4236);
static_assert(offsetof(PpuState, oam) == 4256);
static_assert(offsetof(PpuState, secondaryOam) == 4512);
static_assert(offsetof(PpuState, spriteUnits) == 4552);
static_assert(offsetof(PpuState, oamAddr) == 4616);
static_assert(offsetof(PpuState, vblankSuppress) == 4648);

extern PpuState ppu;

// What the dot-exact PPU keeps beyond PpuState. Save states keep it in the
// versioned part of the file; a file from before it gets the values
// PpuCycleStateForOldState derives.
struct PpuCycleState {
    // Frames begun since power-on, counted at dot 1 of the pre-render line:
    // the clock of the I/O latch's decay.
    uint32_t frames;
    // The I/O latch of $2000-$3FFF: the last value on the PPU's side of the
    // CPU data bus, and for each bit the frame it was last refreshed to 1.
    uint32_t ioLatch;
    uint32_t latchRefreshed[8];
    // $2001 bits 0 (greyscale) and 5-7 (colour emphasis); the other bits
    // live in PpuState.
    uint32_t maskPicture;
    // Sprite evaluation of the line evalLine (any other value: not begun):
    // the even dot of its next step, the byte m that the search after the
    // eighth sprite compares (PpuState.evalIndex is n), and the stage.
    uint32_t evalLine;
    uint32_t evalDot;
    uint32_t evalByte;
    uint32_t evalStage;
};
static_assert(std::is_trivially_copyable_v<PpuCycleState>);

extern PpuCycleState ppuCycle;
void PpuCycleStateForOldState();

}  // namespace morvel
