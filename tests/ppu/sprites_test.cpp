// Sprites on the picture: evaluation limits, sprite-0 hit, priority, 8x16.
#include "ppu/ppu_fixture.h"

namespace morvel::test {
namespace {

class Sprites : public PpuTest {
   protected:
    void SetUp() override {
        PpuTest::SetUp();
        // Pattern table 0: tile 0 transparent, tile 1 solid colour 1.
        uint8_t tiles[32] = {};
        for (int r = 0; r < 8; ++r) tiles[16 + r] = 0xFF;
        WriteVram(0x0000, tiles, 32);
        const uint8_t palette[32] = {0x0F, 0x01, 0x02, 0x03, 0x0F, 0x05, 0x06, 0x07,
                                     0x0F, 0x09, 0x0A, 0x0B, 0x0F, 0x0C, 0x1C, 0x2C,
                                     0x0F, 0x11, 0x12, 0x13, 0x0F, 0x15, 0x16, 0x17,
                                     0x0F, 0x19, 0x1A, 0x1B, 0x0F, 0x1D, 0x2D, 0x3D};
        WriteVram(0x3F00, palette, 32);
        FillNametable(0);
        // Every sprite off screen.
        Write(0x2003, 0);
        for (int i = 0; i < 256; ++i) Write(0x2004, 0xFF);
    }

    static void FillNametable(uint8_t tile) {
        SetAddress(0x2000);
        for (int i = 0; i < 960; ++i) Write(0x2007, tile);
        for (int i = 0; i < 64; ++i) Write(0x2007, 0);
    }

    static void PutSprite(int index, uint8_t y, uint8_t tile, uint8_t attributes, uint8_t x) {
        Write(0x2003, static_cast<uint8_t>(index * 4));
        Write(0x2004, y);
        Write(0x2004, tile);
        Write(0x2004, attributes);
        Write(0x2004, x);
    }

    // Shows a whole frame with the given $2000 and $2001 values and stops in
    // vertical blank, before the pre-render line clears the flags.
    static void Show(uint8_t control, uint8_t mask) {
        Read(0x2002);
        Write(0x2000, control);
        SetAddress(0x0000);
        Write(0x2001, mask);
        RunTo(240, 0);
        RunTo(0, 0);
        RunTo(241, 0);
    }
};

TEST_F(Sprites, NineOnALineSetOverflowAndTheNinthIsNotDrawn) {
    for (int count : {8, 9}) {
        SetUp();
        for (int i = 0; i < count; ++i) PutSprite(i, 50, 1, 0, static_cast<uint8_t>(i * 10));
        Show(0x00, 0x1E);
        EXPECT_EQ(ppu.spriteOverflow, count == 9 ? 0x20u : 0u) << count;
        for (int i = 0; i < count; ++i) {
            const uint32_t expected = i < 8 ? Colour(0x11) : Colour(0);
            EXPECT_EQ(Pixel(i * 10 + 3, 51), expected) << "sprite " << i;
            EXPECT_EQ(Pixel(i * 10 + 3, 50), Colour(0)) << "sprite " << i << " a line early";
        }
    }
}

TEST_F(Sprites, SpriteYCoversTheFollowingLines) {
    PutSprite(0, 0, 1, 0, 40);
    PutSprite(1, 239, 1, 0, 80);
    Show(0x00, 0x1E);
    EXPECT_EQ(Pixel(40, 0), Colour(0));
    for (int y = 1; y <= 8; ++y) EXPECT_EQ(Pixel(40, y), Colour(0x11)) << y;
    EXPECT_EQ(Pixel(40, 9), Colour(0));
    for (int y = 0; y < 240; ++y) EXPECT_EQ(Pixel(80, y), Colour(0)) << y;
}

// Sprite 0 over an opaque background: never at x = 255, never in the left
// column while either layer is clipped there.
TEST_F(Sprites, SpriteZeroHitRules) {
    struct Case {
        uint8_t x;
        uint8_t mask;
        uint8_t tile;  // background tile
        uint32_t hit;
    };
    const Case cases[] = {
        {100, 0x1E, 1, 0x40}, {100, 0x1E, 0, 0},    {100, 0x16, 1, 0},  {100, 0x0E, 1, 0},
        {255, 0x1E, 1, 0},    {254, 0x1E, 1, 0x40}, {0, 0x1E, 1, 0x40}, {0, 0x18, 1, 0},
        {0, 0x1C, 1, 0},      {0, 0x1A, 1, 0},      {1, 0x18, 1, 0x40}, {5, 0x1A, 1, 0x40},
    };
    for (const Case& c : cases) {
        SetUp();
        FillNametable(c.tile);
        PutSprite(0, 100, 1, 0x20, c.x);  // behind the background: still hits
        Show(0x00, c.mask);
        EXPECT_EQ(ppu.sprite0Hit, c.hit)
            << "x " << int(c.x) << ", mask " << std::hex << int(c.mask);
    }
}

// Only sprite 0's own opaque pixels count: sprite 1 in front of it does not hit.
TEST_F(Sprites, SpriteZeroHitNeedsItsOwnPixel) {
    FillNametable(1);
    PutSprite(0, 100, 0, 0, 100);  // transparent sprite 0
    PutSprite(1, 100, 1, 0, 100);
    Show(0x00, 0x1E);
    EXPECT_EQ(ppu.sprite0Hit, 0u);
}

// The lower OAM index wins between sprites, even when it is behind the
// background and the background then shows.
TEST_F(Sprites, PriorityBetweenSpritesAndWithTheBackground) {
    SetAddress(0x2000 + 12 * 32 + 12);  // row 12, column 12: pixels 96-103 of lines 96-103
    Write(0x2007, 1);
    struct Case {
        uint8_t attributes0;
        uint32_t overBackground;  // pixels 100-103
        uint32_t overBackdrop;    // pixels 104-107
    };
    const Case cases[] = {
        {0x00, 0x11, 0x11},  // sprite 0 in front
        {0x20, 0x01, 0x11},  // sprite 0 behind: background, not sprite 1
        {0x22, 0x01, 0x19},  // behind, palette 2
    };
    for (const Case& c : cases) {
        PutSprite(0, 97, 1, c.attributes0, 100);
        PutSprite(1, 97, 1, 0x01, 100);
        PutSprite(2, 97, 1, 0x03, 96);
        Show(0x00, 0x1E);
        for (int x = 100; x < 104; ++x)
            EXPECT_EQ(Pixel(x, 100), Colour(c.overBackground))
                << x << " attr " << int(c.attributes0);
        for (int x = 104; x < 108; ++x)
            EXPECT_EQ(Pixel(x, 100), Colour(c.overBackdrop)) << x << " attr " << int(c.attributes0);
        // Sprite 2 (palette 3) alone at 96-99, in front of the background.
        for (int x = 96; x < 100; ++x) EXPECT_EQ(Pixel(x, 100), Colour(0x1D)) << x;
    }
}

// 8x16 sprites take their table from bit 0 of the tile; vertical flip swaps
// the halves and the rows, horizontal flip the columns.
TEST_F(Sprites, TallSpritesWithFlip) {
    // $1000: tile $00 row 0 colour 2, rows 1-7 colour 1; tile $01 rows 0-6
    // colour 1, row 7 columns 0-3 colour 3 and 4-7 colour 2.
    uint8_t tiles[32] = {};
    tiles[0] = 0x00;
    tiles[8] = 0xFF;
    for (int r = 1; r < 8; ++r) tiles[r] = 0xFF;
    for (int r = 0; r < 7; ++r) tiles[16 + r] = 0xFF;
    tiles[16 + 7] = 0xF0;
    tiles[24 + 7] = 0xFF;
    WriteVram(0x1000, tiles, 32);
    struct Case {
        uint8_t attributes;
        uint32_t firstLine[8];  // palette entries of line y + 1
        uint32_t lastLine[8];   // line y + 16
    };
    const Case cases[] = {
        {0x80,
         {0x13, 0x13, 0x13, 0x13, 0x12, 0x12, 0x12, 0x12},
         {0x12, 0x12, 0x12, 0x12, 0x12, 0x12, 0x12, 0x12}},
        {0xC0,
         {0x12, 0x12, 0x12, 0x12, 0x13, 0x13, 0x13, 0x13},
         {0x12, 0x12, 0x12, 0x12, 0x12, 0x12, 0x12, 0x12}},
        {0x00,
         {0x12, 0x12, 0x12, 0x12, 0x12, 0x12, 0x12, 0x12},
         {0x13, 0x13, 0x13, 0x13, 0x12, 0x12, 0x12, 0x12}},
    };
    for (const Case& c : cases) {
        PutSprite(0, 50, 0x01, c.attributes, 60);
        Show(0x20, 0x1E);  // 8x16, sprite table bit clear: ignored for 8x16
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(Pixel(60 + x, 51), Colour(c.firstLine[x]))
                << "attr " << int(c.attributes) << " x " << x;
            EXPECT_EQ(Pixel(60 + x, 66), Colour(c.lastLine[x]))
                << "attr " << int(c.attributes) << " x " << x;
            EXPECT_EQ(Pixel(60 + x, 58), Colour(0x11)) << "middle";
        }
        EXPECT_EQ(Pixel(60, 67), Colour(0));
    }
}

// Sprites hidden in the left column still count down there, so a sprite at
// x = 4 shows its right half.
TEST_F(Sprites, LeftColumnClipHidesSpritesOverTheBackdrop) {
    PutSprite(0, 20, 1, 0, 4);
    Show(0x00, 0x18);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(Pixel(x, 21), Colour(0)) << x;
    for (int x = 8; x < 12; ++x) EXPECT_EQ(Pixel(x, 21), Colour(0x11)) << x;
    Show(0x00, 0x1C);
    for (int x = 4; x < 12; ++x) EXPECT_EQ(Pixel(x, 21), Colour(0x11)) << x;
}

}  // namespace
}  // namespace morvel::test
