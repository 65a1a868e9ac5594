// Sprite evaluation and the sprite-0 hit: up to eight sprites a line, the
// overflow flag for a ninth, and the hit rules at the edges and the left
// column. Sprite 0 sits on lines 101-108 at the given X; sprites 1-8, when
// there, stand on the same lines at X = 10, 20, ... 80.
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
        const uint8_t palette[] = {0x0F, 0x01, 0x02, 0x03, 0x0F, 0x05, 0x06, 0x07, 0x0F,
                                   0x09, 0x0A, 0x0B, 0x0F, 0x0C, 0x1C, 0x2C, 0x0F, 0x11};
        WriteVram(0x3F00, palette, sizeof palette);
    }
};

TEST_F(Sprites, EvaluationAndSpriteZeroHit) {
    const struct {
        const char* what;
        uint8_t x, tile;  // sprite 0, behind the background
        int others;       // sprites 1..others
        uint8_t background, mask;
        uint32_t hit, overflow;
    } cases[] = {
        {"over the background", 100, 1, 0, 1, 0x1E, 0x40, 0},
        {"over the backdrop", 100, 1, 0, 0, 0x1E, 0, 0},
        {"background off", 100, 1, 0, 1, 0x16, 0, 0},
        {"sprites off", 100, 1, 0, 1, 0x0E, 0, 0},
        {"never at x = 255", 255, 1, 0, 1, 0x1E, 0, 0},
        {"x = 254", 254, 1, 0, 1, 0x1E, 0x40, 0},
        {"left column shown", 0, 1, 0, 1, 0x1E, 0x40, 0},
        {"left column hidden", 0, 1, 0, 1, 0x18, 0, 0},
        {"left column background hidden", 0, 1, 0, 1, 0x1C, 0, 0},
        {"left column sprites hidden", 0, 1, 0, 1, 0x1A, 0, 0},
        {"one pixel right of the column", 1, 1, 0, 1, 0x18, 0x40, 0},
        {"sprite 1's pixels do not count", 10, 0, 1, 1, 0x1E, 0, 0},
        {"eight on a line", 100, 1, 7, 0, 0x1E, 0, 0},
        {"nine on a line", 100, 1, 8, 0, 0x1E, 0, 0x20},
    };
    for (const auto& c : cases) {
        SetUp();
        SetAddress(0x2000);
        for (int i = 0; i < 960; ++i) Write(0x2007, c.background);
        for (int i = 0; i < 64; ++i) Write(0x2007, 0);
        Write(0x2003, 0);
        for (int i = 0; i < 256; ++i) Write(0x2004, 0xFF);  // off screen
        Write(0x2003, 0);
        for (int i = 0; i <= c.others; ++i) {
            Write(0x2004, 100);
            Write(0x2004, i ? 1 : c.tile);
            Write(0x2004, i ? 0 : 0x20);
            Write(0x2004, static_cast<uint8_t>(i ? 10 * i : c.x));
        }
        Read(0x2002);
        Write(0x2000, 0x00);
        SetAddress(0x0000);
        Write(0x2001, c.mask);
        RunTo(240, 0);
        RunTo(0, 0);
        RunTo(241, 0);  // a whole frame, stopping before the flags are cleared
        EXPECT_EQ(ppu.sprite0Hit, c.hit) << c.what;
        EXPECT_EQ(ppu.spriteOverflow, c.overflow) << c.what;
        const uint32_t under = Colour(c.background);  // palette entry 0 or 1
        for (int i = 1; i <= c.others; ++i) {
            EXPECT_EQ(Pixel(10 * i + 3, 101), i < 8 ? Colour(0x11) : under) << c.what << ", " << i;
            EXPECT_EQ(Pixel(10 * i + 3, 100), under) << c.what << ", " << i << " a line early";
        }
    }
}

}  // namespace
}  // namespace morvel::test
