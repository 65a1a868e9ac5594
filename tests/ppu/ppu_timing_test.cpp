// The dot clock: frame lengths, scroll counters and the backdrop.
#include "ppu/ppu_fixture.h"
#include "ppu/ppu_internal.h"

namespace morvel::test {
namespace {

using PpuTiming = PpuTest;

// With rendering on, the first dot of line 0 is skipped on every second frame;
// the first frame after power-on is the long one.
TEST_F(PpuTiming, OddFramesAreOneDotShorterOnlyWhileRendering) {
    Write(0x2001, 0x08);
    const int32_t rendering[] = {89342, 89341, 89342, 89341};
    for (int32_t expected : rendering) EXPECT_EQ(RunFrame(), expected);
    Write(0x2001, 0x00);
    for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(RunFrame(), 89342) << frame;
    // oddFrame kept flipping while rendering was off.
    Write(0x2001, 0x10);
    EXPECT_EQ(RunFrame(), 89341);
    EXPECT_EQ(RunFrame(), 89342);
}

// A frame ends only when a dot is owed past the pre-render line, so the
// frame loop always sees the step return short of its target.
TEST_F(PpuTiming, FrameEndReturnsShortOfTheTarget) {
    for (uint8_t mask : {0x00, 0x18}) {
        SetUp();
        Write(0x2001, mask);
        RunTo(261, 330);
        ppuStep(ppu.ppuCyclesDone + 11);  // exactly to the end of the line
        EXPECT_EQ(ppu.scanline, kFrameEndLine);
        const int32_t done = ppu.ppuCyclesDone;
        ppuStep(done + 5);
        EXPECT_EQ(ppu.ppuCyclesDone, done) << "the wrap runs no dot";
        EXPECT_EQ(ppu.scanline, 0);
        EXPECT_EQ(ppu.dot, 0);
    }
}

TEST_F(PpuTiming, RenderingOffShowsTheBackdropAndLeavesVramAddrAlone) {
    const uint8_t backdrop = 0x21;
    WriteVram(0x3F00, &backdrop, 1);
    SetAddress(0x2345);
    RunFrame();
    RunFrame();
    EXPECT_EQ(ppu.vramAddr, 0x2345u);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 256; ++x) ASSERT_EQ(Pixel(x, y), masterPalette[0x21]) << x << "," << y;
}

TEST_F(PpuTiming, CoarseXIncrementWrapsIntoTheNextNametable) {
    struct Case {
        uint32_t before, after;
    };
    const Case cases[] = {
        {0x0000, 0x0001}, {0x001E, 0x001F}, {0x001F, 0x0400},
        {0x041F, 0x0000}, {0x7BFF, 0x7FE0}, {0x2C3F, 0x2820},
    };
    for (const Case& c : cases) {
        ppu.vramAddr = c.before;
        IncrementCoarseX(ppu);
        EXPECT_EQ(ppu.vramAddr, c.after) << std::hex << c.before;
    }
}

TEST_F(PpuTiming, YIncrementWrapsAtRow29AndRow31) {
    struct Case {
        uint32_t before, after;
    };
    const Case cases[] = {
        {0x0000, 0x1000},  // fine Y 0 -> 1
        {0x6000, 0x7000},  // fine Y 6 -> 7
        {0x7000, 0x0020},  // fine Y 7: coarse Y 0 -> 1
        {0x73A0, 0x0800},  // coarse Y 29 -> 0, next nametable vertically
        {0x7BA5, 0x0005},  // and back, keeping coarse X
        {0x73C0, 0x03E0},  // coarse Y 30 -> 31 (inside the attribute rows)
        {0x73E0, 0x0000},  // coarse Y 31 -> 0 without switching
        {0x7FE7, 0x0C07},
    };
    for (const Case& c : cases) {
        ppu.vramAddr = c.before;
        IncrementY(ppu);
        EXPECT_EQ(ppu.vramAddr, c.after) << std::hex << c.before;
    }
}

// The pre-render line copies all of t into v; the prefetch of the first two
// tiles then moves coarse X on by two.
TEST_F(PpuTiming, PreRenderLineRestoresTheWholeAddress) {
    Write(0x2001, 0x08);
    RunTo(250, 0);
    Read(0x2002);
    Write(0x2000, 0x03);  // nametable 3
    Write(0x2005, 0x28);  // coarse X 5, fine X 0
    Write(0x2005, 0x5E);  // coarse Y 11, fine Y 6
    const uint32_t t = ppu.tempAddr;
    EXPECT_EQ(t, 0x6D65u);
    RunTo(261, 305);
    EXPECT_EQ(ppu.vramAddr, t);
    RunTo(0, 1);
    EXPECT_EQ(ppu.vramAddr, t + 2);
    // The next line starts again from t's horizontal bits.
    RunTo(1, 0);
    EXPECT_EQ(ppu.vramAddr & 0x041F, (t & 0x041F) + 2);
}

// The first rows of the picture come from the nametable, attributes and
// pattern bytes the scroll selects; colour 0 is the backdrop.
TEST_F(PpuTiming, BackgroundPixelsFollowTilesAttributesAndFineX) {
    // Tile 1: every row has plane 0 = $F0 and plane 1 = $CC.
    uint8_t tile[16];
    for (int r = 0; r < 8; ++r) {
        tile[r] = 0xF0;
        tile[8 + r] = 0xCC;
    }
    WriteVram(0x1010, tile, 16);
    uint8_t row[32];
    for (int i = 0; i < 32; ++i) row[i] = i & 1;  // tiles 0,1,0,1,...
    WriteVram(0x2000, row, 32);
    const uint8_t attributes = 0xE4;  // quadrants 0,1,2,3 -> palettes 0,1,2,3
    WriteVram(0x23C0, &attributes, 1);
    const uint8_t palette[8] = {0x0F, 0x01, 0x02, 0x03, 0x0F, 0x11, 0x12, 0x13};
    WriteVram(0x3F00, palette, 8);
    uint8_t zeroTile[16] = {};
    WriteVram(0x1000, zeroTile, 16);

    for (uint32_t fineX = 0; fineX < 8; ++fineX) {
        Read(0x2002);
        Write(0x2000, 0x10);  // background from $1000
        Write(0x2005, static_cast<uint8_t>(fineX));
        Write(0x2005, 0);
        Write(0x2001, 0x0A);  // background, also in the left column
        RunFrame();
        RunFrame();
        for (int x = 0; x < 32; ++x) {
            const uint32_t sx = x + fineX;
            const uint32_t tileIndex = (sx / 8) & 1;
            const uint32_t bit = 7 - sx % 8;
            const uint32_t colour =
                tileIndex ? ((0xF0 >> bit) & 1) | (((0xCC >> bit) & 1) << 1) : 0;
            const uint32_t paletteIndex = colour ? ((sx / 16) & 1) * 4 + colour : 0;
            EXPECT_EQ(Pixel(x, 0), Colour(paletteIndex)) << "fine X " << fineX << ", x " << x;
        }
        Write(0x2001, 0x08);  // left column hidden: backdrop there
        RunFrame();
        for (int x = 0; x < 8; ++x) EXPECT_EQ(Pixel(x, 3), Colour(0)) << x;
        Write(0x2001, 0x00);
    }
}

}  // namespace
}  // namespace morvel::test
