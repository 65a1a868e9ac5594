// The PPU registers as a program sees them.
#include "ppu/ppu_fixture.h"

namespace morvel::test {
namespace {

using PpuRegisters = PpuTest;

// A $2002 read around the start of vertical blank: at dot 1 (the flag has not
// risen yet) it returns bit 7 clear and keeps both flag and interrupt from
// coming this frame; at dots 2 and 3 it sees the flag and clears it before the
// interrupt is armed; from dot 4 on the interrupt is already armed.
TEST_F(PpuRegisters, StatusReadAtTheStartOfVerticalBlank) {
    struct Case {
        int32_t dot;
        uint8_t bit7;
        uint32_t flagAfter;  // vblankFlag once the line is over
        uint32_t nmi;
    };
    const Case cases[] = {
        {0, 0x00, 0x80, 1}, {1, 0x00, 0, 0}, {2, 0x80, 0, 0},
        {3, 0x80, 0, 0},    {4, 0x80, 0, 1}, {20, 0x80, 0, 1},
    };
    for (const Case& c : cases) {
        SetUp();
        Read(0x2002);  // the power-on flag
        Write(0x2000, 0x80);
        RunTo(241, c.dot);
        cpu.nmiPending = 0;
        if (c.dot >= 15) cpu.nmiPending = 1;  // already delivered at dot 15
        EXPECT_EQ(Read(0x2002) & 0x80, c.bit7) << "dot " << c.dot;
        RunTo(242, 0);
        EXPECT_EQ(ppu.vblankFlag, c.flagAfter) << "dot " << c.dot;
        EXPECT_EQ(cpu.nmiPending, c.nmi) << "dot " << c.dot;
        // The suppression lasts for this frame only.
        RunTo(100, 0);
        RunTo(242, 0);
        EXPECT_EQ(ppu.vblankFlag, 0x80u) << "next frame, dot " << c.dot;
    }
}

TEST_F(PpuRegisters, StatusReadClearsFlagAndToggleAndReadsLowBitsZero) {
    ppu.sprite0Hit = 0x40;
    ppu.spriteOverflow = 0x20;
    ppu.vblankFlag = 0x80;
    Write(0x2005, 0xFF);  // first write of a pair
    EXPECT_EQ(Read(0x2002), 0xE0);
    EXPECT_EQ(ppu.vblankFlag, 0u);
    EXPECT_EQ(Read(0x2002), 0x60);
    Write(0x2005, 0x2D);  // again the first write: X
    EXPECT_EQ(ppu.fineX, 5u);
    EXPECT_EQ(ppu.tempAddr & 0x1F, 5u);
    Write(0x2005, 0x5E);  // Y: coarse 11, fine 6
    EXPECT_EQ((ppu.tempAddr >> 5) & 31, 11u);
    EXPECT_EQ((ppu.tempAddr >> 12) & 7, 6u);
}

// Reads below the palette come one read late through the buffer; palette
// reads answer at once and fill the buffer from the nametable underneath.
TEST_F(PpuRegisters, DataReadsGoThroughTheBufferExceptPalette) {
    const uint8_t nametable[] = {0x11, 0x22, 0x33};
    WriteVram(0x2F05, nametable, 1);
    WriteVram(0x2400, nametable, 3);
    const uint8_t palette[] = {0x0F, 0x15, 0x2A, 0x3B, 0x04, 0x25};
    WriteVram(0x3F00, palette, 6);

    SetAddress(0x2400);
    Read(0x2007);  // stale
    EXPECT_EQ(Read(0x2007), 0x11);
    EXPECT_EQ(Read(0x2007), 0x22);
    EXPECT_EQ(Read(0x2007), 0x33);

    SetAddress(0x3F05);
    EXPECT_EQ(Read(0x2007), 0x25);            // palette entry 5 at once
    EXPECT_EQ(ppu.readBuffer & 0xFF, 0x11u);  // $2F05, the nametable byte under $3F05

    // A write does not touch the buffer.
    SetAddress(0x2401);
    Read(0x2007);
    SetAddress(0x2402);
    Write(0x2007, 0x99);
    EXPECT_EQ(Read(0x2007), 0x22);
}

TEST_F(PpuRegisters, DataAccessesWrapFrom3FFFToZero) {
    SetAddress(0x3FFF);
    Write(0x2007, 0x01);
    EXPECT_EQ(ppu.vramAddr, 0x0000u);
    SetAddress(0x3FFF);
    Read(0x2007);
    EXPECT_EQ(ppu.vramAddr, 0x0000u);
    Write(0x2000, 0x04);  // increment 32
    SetAddress(0x3FF0);
    Read(0x2007);
    EXPECT_EQ(ppu.vramAddr, 0x0010u);
}

// Entry 0 of every sprite palette is entry 0 of the matching background
// palette; other entries stand alone; the palette repeats up to $3FFF and
// keeps six bits.
TEST_F(PpuRegisters, PaletteMirroring) {
    struct Case {
        uint32_t address;
        uint8_t value;
        uint32_t alsoAt;  // the other index that changes, or the index itself
    };
    const Case cases[] = {
        {0x3F10, 0xFF, 0x00}, {0x3F00, 0x21, 0x10}, {0x3F04, 0x22, 0x14}, {0x3F18, 0x23, 0x08},
        {0x3F1C, 0x24, 0x0C}, {0x3F01, 0x25, 0x01}, {0x3F11, 0x26, 0x11}, {0x3F13, 0x27, 0x13},
        {0x3F3D, 0x28, 0x1D}, {0x3FE8, 0x29, 0x18}, {0x3F0E, 0x2A, 0x0E},
    };
    for (const Case& c : cases) {
        SetUp();
        uint8_t before[32];
        std::memcpy(before, ppu.paletteRam, 32);
        SetAddress(c.address);
        Write(0x2007, c.value);
        const uint32_t index = c.address & 0x1F;
        for (uint32_t i = 0; i < 32; ++i) {
            const bool changes = i == index || i == c.alsoAt;
            EXPECT_EQ(ppu.paletteRam[i], changes ? (c.value & 0x3F) : before[i])
                << std::hex << "write " << c.address << ", entry " << i;
        }
        SetAddress(0x3F00 | c.alsoAt);
        EXPECT_EQ(Read(0x2007), c.value & 0x3F) << std::hex << c.address;
    }
}

// $2004 reads of byte 2 of an entry (the attributes) return bits 2-4 clear;
// the byte is stored as written, and reading does not move the address.
TEST_F(PpuRegisters, OamDataReadsMaskTheAttributeByte) {
    Write(0x2003, 0x00);
    for (int i = 0; i < 8; ++i) Write(0x2004, 0xFF);
    struct Case {
        uint8_t address;
        uint8_t expected;
    };
    const Case cases[] = {{0, 0xFF}, {1, 0xFF}, {2, 0xE3}, {3, 0xFF}, {6, 0xE3}, {7, 0xFF}};
    for (const Case& c : cases) {
        Write(0x2003, c.address);
        EXPECT_EQ(Read(0x2004), c.expected) << int(c.address);
        EXPECT_EQ(Read(0x2004), c.expected) << "address moved on a read";
        EXPECT_EQ(ppu.oamAddr, c.address);
    }
    EXPECT_EQ(ppu.oam[2], 0xFF);
}

// Sprite DMA writes through $2004 from oamAddr on and wraps within the 256 bytes.
TEST_F(PpuRegisters, OamDmaStartsAtOamAddrAndWraps) {
    for (int i = 0; i < 256; ++i) cpu.cpuRam[0x200 + i] = static_cast<uint8_t>(i);
    Write(0x2003, 0x10);
    cpu.dmaActive = 1;
    cpu.dmaSource = 0x0200;
    cpu.dmaCount = 0;
    int steps = 0;
    while (cpu.dmaActive && steps < 300) {
        CpuStep();
        ++steps;
    }
    EXPECT_EQ(steps, 256);
    for (int i = 0; i < 240; ++i) ASSERT_EQ(ppu.oam[0x10 + i], i) << i;
    for (int i = 0; i < 16; ++i) ASSERT_EQ(ppu.oam[i], 240 + i) << i;
    EXPECT_EQ(ppu.oamAddr, 0x10u);
}

// Enabling the interrupt while the flag is up requests it after one more
// instruction; disabling it before then withdraws the request.
TEST_F(PpuRegisters, EnablingNmiDuringVerticalBlank) {
    RunTo(241, 5);
    ASSERT_EQ(ppu.vblankFlag, 0x80u);
    Write(0x2000, 0x80);
    EXPECT_EQ(cpu.nmiPending, 1u);
    EXPECT_EQ(cpu.interruptDelay, 1u);
    Write(0x2000, 0x00);
    EXPECT_EQ(cpu.nmiPending, 0u);
    EXPECT_EQ(cpu.interruptDelay, 0u);
    Read(0x2002);
    Write(0x2000, 0x80);  // flag down: nothing
    EXPECT_EQ(cpu.nmiPending, 0u);
}

TEST_F(PpuRegisters, MaskChoosesTheStepAtOnce) {
    struct Case {
        uint8_t mask;
        PpuStepFunction step;
        PixelSource bg;
        PixelSource sprites;
        uint32_t clipBackground, clipSprites;
    };
    const Case cases[] = {
        {0x00, StepIdle, ZeroPixel, ZeroPixel, 1, 1},
        {0x08, StepRender, BackgroundPixel, ZeroPixel, 1, 1},
        {0x10, StepRender, ZeroPixel, SpritePixel, 1, 1},
        {0x1E, StepRender, BackgroundPixel, SpritePixel, 0, 0},
        {0x1A, StepRender, BackgroundPixel, SpritePixel, 0, 1},
        {0xE1, StepIdle, ZeroPixel, ZeroPixel, 1, 1},  // greyscale and emphasis only
    };
    for (const Case& c : cases) {
        Write(0x2001, c.mask);
        EXPECT_EQ(ppuStep, c.step) << std::hex << int(c.mask);
        EXPECT_EQ(bgPixelSource, c.bg) << std::hex << int(c.mask);
        EXPECT_EQ(spritePixelSource, c.sprites) << std::hex << int(c.mask);
        EXPECT_EQ(ppu.clipBackground, c.clipBackground) << std::hex << int(c.mask);
        EXPECT_EQ(ppu.clipSprites, c.clipSprites) << std::hex << int(c.mask);
    }
}

TEST_F(PpuRegisters, PowerOnState) {
    EXPECT_EQ(Read(0x2002), 0xA0);
    EXPECT_EQ(Read(0x2002), 0x20);
    EXPECT_EQ(ppu.vramIncrement, 1u);
    EXPECT_EQ(ppu.spriteHeightMinus1, 7u);
    EXPECT_EQ(ppu.nametableRam[0][0], 0xFF);
    EXPECT_EQ(ppu.nametableRam[2][0], 0x00);
    EXPECT_EQ(ppu.oam[17], 0xFF);
    for (uint32_t address : {0x2000u, 0x2001u, 0x2003u, 0x2005u, 0x2006u, 0x3FF8u})
        EXPECT_EQ(Read(address), 0) << std::hex << address;
}

}  // namespace
}  // namespace morvel::test
