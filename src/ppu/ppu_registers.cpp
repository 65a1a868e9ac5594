// The eight PPU registers at $2000-$2007 (repeated up to $3FFF), power-on,
// reset and the choice of the renderer.
#include <bit>
#include <cstring>

#include "ppu/board_ppu_hooks.h"
#include "ppu/ppu_internal.h"

namespace morvel {

PpuState ppu;
PpuCycleState ppuCycle;
PpuBoardHooks ppuBoardHooks;

namespace {

// ---- The I/O latch -----------------------------------------------------------
// Every write to a PPU register leaves its value in the latch; reads of the
// write-only registers return it, and the bits a register does not drive come
// from it. A bit the PPU last set to 1 fades to 0 after about 600 ms.

constexpr uint32_t kLatchDecayFrames = 36;

// The frame count at which the latch's bits were last looked at for decay:
// they can fade only when it moves on. Forgotten whenever the PPU's state may
// have been replaced.
uint32_t latchCheckedFrame;
bool latchChecked;
// The bits refreshed since then, in that same frame: their time is already
// the current frame's.
uint32_t latchFreshBits;

uint8_t LatchValue() {
    PpuCycleState& c = ppuCycle;
    if (latchChecked && latchCheckedFrame == c.frames) return static_cast<uint8_t>(c.ioLatch);
    latchChecked = true;
    latchCheckedFrame = c.frames;
    latchFreshBits = 0;
    for (uint32_t bit = 0; bit < 8; ++bit) {
        if ((c.ioLatch >> bit) & 1 && c.frames - c.latchRefreshed[bit] >= kLatchDecayFrames)
            c.ioLatch &= ~(1u << bit);
    }
    return static_cast<uint8_t>(c.ioLatch);
}

// The bits in `driven` take value's bits and start their time afresh; the
// result is the whole latch, as the CPU reads it.
uint8_t LatchRefresh(uint8_t value, uint8_t driven) {
    PpuCycleState& c = ppuCycle;
    const uint8_t kept = LatchValue() & static_cast<uint8_t>(~driven);
    c.ioLatch = kept | (value & driven);
    for (uint32_t bits = driven & ~latchFreshBits; bits; bits &= bits - 1)
        c.latchRefreshed[std::countr_zero(bits)] = c.frames;
    latchFreshBits |= driven;
    return static_cast<uint8_t>(c.ioLatch);
}

// A board that counts scanlines from PPU address line A12 (the MMC3) must also
// see the addresses the CPU puts on the PPU bus through $2006 and $2007.
void NotifyAddress() {
    if (ppuBoardHooks.addressWatch) ppuBoardHooks.addressWatch(ppu.vramAddr);
}

// After a $2007 access v moves on by 1 or 32. While the PPU renders (a
// visible or the pre-render line, background or sprites shown) the access
// instead works the fetch logic's own increments: coarse X and Y at once.
// The PPU's address bus then carries the rendering fetches, so a board
// watching it sees no address from the CPU.
void IncrementVramAddr() {
    PpuState& p = ppu;
    const bool renderingLine = p.scanline < kVisibleLines || p.scanline == kPreRenderLine;
    if ((p.showBackground | p.showSprites) && renderingLine) {
        IncrementCoarseX(p);
        IncrementY(p);
        return;
    }
    p.vramAddr = (p.vramAddr + p.vramIncrement) & 0x3FFF;
    NotifyAddress();
}

// $2000 PPUCTRL.
void WriteControl(uint8_t value) {
    // Enabling NMI while the vblank flag is up raises the NMI output, which
    // the CPU sees as an edge; disabling it lowers the output.
    PpuState& p = ppu;
    p.tempAddr = (p.tempAddr & ~0x0C00u) | ((value & 3u) << 10);
    p.vramIncrement = (value & 0x04) ? 32 : 1;
    p.bgPatternBase = (value & 0x10) ? 0x1000 : 0;
    p.spritePatternBase = (value & 0x08) ? 0x1000 : 0;
    p.nmiEnabled = value & 0x80;
    p.spriteHeightMinus1 = (value & 0x20) ? 15 : 7;
}

// $2001 PPUMASK.
void WriteMask(uint8_t value) {
    PpuState& p = ppu;
    ppuCycle.maskPicture = value & kMaskPictureBits;
    p.showSprites = value & 0x10;
    p.showBackground = value & 0x08;
    SelectRenderer();
    p.clipBackground = (value & 0x02) ? 0 : 1;
    p.clipSprites = (value & 0x04) ? 0 : 1;
}

// $2005 PPUSCROLL: X first, then Y.
void WriteScroll(uint8_t value) {
    PpuState& p = ppu;
    if (p.writeToggle == 0) {
        p.tempAddr = (p.tempAddr & ~0x001Fu) | (value >> 3);
        p.fineX = value & 7u;
    } else {
        p.tempAddr = (p.tempAddr & ~0x73E0u) | ((value & 7u) << 12) | ((value >> 3) << 5);
    }
    p.writeToggle ^= 1;
}

// $2006 PPUADDR: high byte first; the second write also sets v.
void WriteAddress(uint8_t value) {
    PpuState& p = ppu;
    if (p.writeToggle == 0) {
        p.tempAddr = (p.tempAddr & 0x00FFu) | ((value & 0x3Fu) << 8);
    } else {
        p.tempAddr = (p.tempAddr & ~0x00FFu) | value;
        p.vramAddr = p.tempAddr;
        NotifyAddress();
    }
    p.writeToggle ^= 1;
}

// $2007 PPUDATA write.
void WriteData(uint8_t value) {
    PpuState& p = ppu;
    if (p.vramAddr >= 0x3F00)
        PaletteWrite(p.vramAddr, value);
    else
        PpuBusWrite(p.vramAddr & 0x3FFF, value);
    IncrementVramAddr();
}

// $2002 PPUSTATUS. A read at the very dot the flag would rise returns it
// clear and keeps it from rising in this frame.
uint8_t ReadStatus() {
    PpuState& p = ppu;
    uint8_t result = static_cast<uint8_t>(p.spriteOverflow | p.sprite0Hit | p.vblankFlag);
    p.writeToggle = 0;
    if (p.scanline == kVblankLine && p.dot == 1) p.vblankSuppress = 1;
    p.vblankFlag = 0;
    return result;
}

// $2004 OAMDATA read. Bits 2-4 of a sprite's attribute byte do not exist in
// the console's sprite memory and read as 0; the stored byte keeps them.
uint8_t ReadOamData() {
    const PpuState& p = ppu;
    // While rendering, dots 1-64 of a visible line clear secondary OAM with
    // the OAM read signal held at $FF.
    if ((p.showBackground | p.showSprites) && p.scanline < kVisibleLines && p.dot >= 1 &&
        p.dot <= 64)
        return 0xFF;
    const uint32_t address = ppu.oamAddr & 0xFF;
    uint8_t value = ppu.oam[address];
    if ((address & 3) == 2) value &= 0xE3;
    return value;
}

// $2007 PPUDATA read: below the palette the result is the buffered byte of
// the previous read; palette reads answer at once but still refill the buffer
// with the nametable byte underneath. Palette memory drives only the low six
// bits of the answer; the top two come from the latch.
//
// The PPU writes the fetched byte into the buffer a few dots after the read.
// A second read on the very next CPU cycle (the dummy read of an indexed read
// crossing a page, a DMA repeating the CPU's read) still finds the buffer as
// it was before the first read, and its own fetch replaces the first one's:
// readScratch keeps that older byte while the reads follow each other.
uint8_t ReadData() {
    PpuState& p = ppu;
    const uint32_t cycle = static_cast<uint32_t>(cpuCycle.cycles);
    const bool adjacent = cpuCycle.ppuDataReadCycle + 1 == cycle;
    cpuCycle.ppuDataReadCycle = cycle;
    if (!adjacent) p.readScratch = p.readBuffer;
    const uint32_t address = p.vramAddr & 0x3FFF;
    p.readBuffer = PpuBusRead(address);
    uint8_t result = p.vramAddr >= 0x3F00 ? LatchRefresh(PaletteRead(p.vramAddr), 0x3F)
                                          : LatchRefresh(static_cast<uint8_t>(p.readScratch), 0xFF);
    IncrementVramAddr();
    return result;
}

// Keeps a restored state inside the ranges the renderer indexes with.
void ClampState(PpuState& p) {
    if (p.foundSprites > 8) p.foundSprites = 8;
    if (p.lineSpriteCount > 8) p.lineSpriteCount = 8;
    p.fetchSlot &= 7;
    p.fineX &= 7;
    p.oamAddr &= 0xFF;
    p.bgPatternBase &= 0x1000;
    p.spritePatternBase &= 0x1000;
    p.tileOffset &= 0xFF0;
    if (p.spriteHeightMinus1 != 15) p.spriteHeightMinus1 = 7;
    if (p.scanline < 0 || p.scanline > kFrameEndLine) p.scanline = 0;
    if (p.dot < 0 || p.dot > kLastDot) p.dot = 0;
    ppuCycle.maskPicture &= kMaskPictureBits;
    ppuCycle.ioLatch &= 0xFF;
    latchChecked = false;
    if (ppuCycle.evalStage > 2) ppuCycle.evalStage = 2;
}

}  // namespace

void PpuRegisterWrite(uint32_t address, uint8_t value) {
    LatchRefresh(value, 0xFF);
    switch (address & 7) {
        case 0: WriteControl(value); break;
        case 1: WriteMask(value); break;
        case 2: break;
        case 3: ppu.oamAddr = value; break;
        case 4:
            ppu.oam[ppu.oamAddr & 0xFF] = value;
            ppu.oamAddr = (ppu.oamAddr + 1) & 0xFF;
            break;
        case 5: WriteScroll(value); break;
        case 6: WriteAddress(value); break;
        case 7: WriteData(value); break;
    }
}

uint8_t PpuRegisterRead(uint32_t address) {
    switch (address & 7) {
        case 2: return LatchRefresh(ReadStatus(), 0xE0);  // bits 4-0 undriven
        case 4: return LatchRefresh(ReadOamData(), 0xFF);
        case 7: return ReadData();
        default: return LatchValue();  // write-only registers
    }
}

void SelectRenderer() {
    PpuState& p = ppu;
    ClampState(p);
    ForgetPaletteColours();
    if (!p.showSprites && !p.showBackground) {
        ppuStep = StepIdle;
        if (ppuBoardHooks.renderingOff) ppuBoardHooks.renderingOff();
        bgPixelSource = ZeroPixel;
        spritePixelSource = ZeroPixel;
        return;
    }
    ppuStep = ppuBoardHooks.renderStep ? ppuBoardHooks.renderStep : StepRender;
    bgPixelSource = p.showBackground ? BackgroundPixel : ZeroPixel;
    spritePixelSource = p.showSprites ? SpritePixel : ZeroPixel;
}

// A state from before the record: the latch empty, the picture without
// greyscale or emphasis, and the sprite evaluation of the line under way
// done again from its start at the next dot, which finds the same sprites.
void PpuCycleStateForOldState() {
    std::memset(&ppuCycle, 0, sizeof ppuCycle);
    SpriteEvaluationReset();
}

void PpuPowerOn() {
    PpuState& p = ppu;
    std::memset(&p, 0, sizeof p);
    std::memset(&ppuCycle, 0, sizeof ppuCycle);
    SpriteEvaluationReset();
    PpuRegisterWrite(0x2000, 0);
    PpuRegisterWrite(0x2001, 0);
    p.writeToggle = 0;
    p.vramAddr = p.tempAddr = 0;
    // A first $2002 read early in the first frame returns $A0.
    p.vblankFlag = 0x80;
    p.spriteOverflow = 0x20;
    p.sprite0Hit = 0;
    p.oddFrame = 0;
    p.readBuffer = 0;
    p.oamAddr = 0;
    std::memset(p.nametableRam[0], 0xFF, sizeof p.nametableRam[0]);
    std::memset(p.nametableRam[1], 0xFF, sizeof p.nametableRam[1]);
    std::memset(p.oam, 0xFF, sizeof p.oam);
    std::memset(p.secondaryOam, 0xFF, sizeof p.secondaryOam);
    std::memset(p.spriteUnits, 0xFF, sizeof p.spriteUnits);
    SettleSpriteUnits(p);
}

// The reset button reaches the PPU as writes of 0 to $2000 and $2001; memories,
// palette, OAM, the position in the frame and the status flags stay.
void PpuReset() {
    PpuRegisterWrite(0x2000, 0);
    PpuRegisterWrite(0x2001, 0);
    ppu.writeToggle = 0;
    ppu.oddFrame = 0;
    ppu.readBuffer = 0;
}

}  // namespace morvel
