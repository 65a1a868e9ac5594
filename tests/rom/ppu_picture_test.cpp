// The picture cartridge's screenshot, compared pixel by pixel with the
// picture computed here from its tiles, nametables, palette and sprites.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "ppu/ppu.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

// What the cartridge writes (tests/roms/ppu_picture.s).
const uint8_t kPalette[32] = {0x0C, 0x11, 0x21, 0x31, 0x0C, 0x16, 0x26, 0x36, 0x0C, 0x19, 0x29,
                              0x39, 0x0C, 0x14, 0x24, 0x34, 0x0C, 0x02, 0x12, 0x22, 0x0C, 0x07,
                              0x17, 0x27, 0x0C, 0x0A, 0x1A, 0x2A, 0x0C, 0x05, 0x15, 0x25};
struct Sprite {
    int y, tile, attributes, x;
};
const Sprite kSprites[] = {
    {40, 0x02, 0x00, 3},   {40, 0x05, 0x41, 60}, {45, 0x07, 0x82, 64},   {60, 0x08, 0xE3, 120},
    {60, 0x0B, 0x00, 124}, {100, 0x10, 0x01, 0}, {100, 0x21, 0x22, 250}, {150, 0x30, 0x03, 200},
    {200, 0x41, 0x40, 30}, {220, 0x52, 0x80, 7}, {239, 0x63, 0x00, 100},
};

// A nametable as the cartridge fills it: tile k = k XOR tileXor, attribute
// byte j = j XOR attrXor.
struct Nametable {
    uint8_t tileXor, attrXor;
    uint8_t Tile(int row, int column) const {
        return static_cast<uint8_t>((row * 32 + column) ^ tileXor);
    }
    int Palette(int row, int column) const {
        const uint8_t attribute = static_cast<uint8_t>(((row / 4) * 8 + column / 4) ^ attrXor);
        return (attribute >> (((row & 2) << 1) | (column & 2))) & 3;
    }
};
const Nametable kNametables[2] = {{0x00, 0x1B}, {0xA5, 0xC6}};

// The screenshot after `frames` frames: the base nametable (0 or 1, side by
// side as the mirroring is vertical), the scroll, the two left-column bits and
// greyscale with red emphasis.
struct View {
    int frames, nametable, scrollX, scrollY;
    bool backgroundLeft, spritesLeft, greyRed;
};

// Greyscale keeps a colour's grey column ($x0); red emphasis leaves red and
// darkens green and blue to 74.6 %.
uint32_t Shown(uint8_t value, bool greyRed) {
    if (!greyRed) return masterPalette[value];
    const uint32_t grey = masterPalette[value & 0x30];
    const uint32_t dark = ((grey & 0xFF) * 746 + 500) / 1000;
    return (grey & 0xFF0000) | (dark << 8) | dark;
}

struct Picture {
    std::string chr;

    // Colour 0-3 of pixel (column, row) of CHR tile index (0-511).
    int TilePixel(int tile, int column, int row) const {
        const uint8_t lo = static_cast<uint8_t>(chr[tile * 16 + row]);
        const uint8_t hi = static_cast<uint8_t>(chr[tile * 16 + 8 + row]);
        return ((lo >> (7 - column)) & 1) | (((hi >> (7 - column)) & 1) << 1);
    }

    // The palette index (0-31) of screen pixel (x, y).
    int Pixel(const View& v, int x, int y) const {
        int bg = 0;
        if (x >= 8 || v.backgroundLeft) {
            const int worldX = (v.nametable * 256 + x + v.scrollX) % 512;
            const int worldY = (y + v.scrollY) % 240;
            const Nametable& nt = kNametables[worldX / 256];
            const int column = (worldX % 256) / 8, row = worldY / 8;
            const int colour = TilePixel(256 + nt.Tile(row, column), worldX % 8, worldY % 8);
            if (colour) bg = nt.Palette(row, column) * 4 + colour;
        }
        int sprite = 0;
        bool behind = false;
        if (x >= 8 || v.spritesLeft) {
            int onLine = 0;
            for (const Sprite& s : kSprites) {
                const int row = y - (s.y + 1);
                if (row < 0 || row > 15) continue;
                if (++onLine > 8) break;
                const int column = x - s.x;
                if (column < 0 || column > 7) continue;
                const int r = (s.attributes & 0x80) ? 15 - row : row;
                const int c = (s.attributes & 0x40) ? 7 - column : column;
                const int tile = (s.tile & 1) * 256 + (s.tile & 0xFE) + r / 8;
                const int colour = TilePixel(tile, c, r % 8);
                if (colour) {
                    sprite = 16 + (s.attributes & 3) * 4 + colour;
                    behind = (s.attributes & 0x20) != 0;
                    break;
                }
            }
        }
        return sprite && !(bg && behind) ? sprite : bg;
    }
};

TEST(PpuPicture, ScreenshotMatchesThePictureComputedFromTheCartridge) {
    const std::string rom = ReadFileText(TestRom("ppu_picture"));
    ASSERT_EQ(rom.size(), 16u + 32768 + 8192);
    const Picture picture{rom.substr(16 + 32768)};
    const View views[] = {{15, 0, 13, 21, false, true, false},
                          {40, 1, 200, 100, true, false, true}};
    const std::string dir = MakeTempDir();
    for (const View& v : views) {
        const std::string shot = dir + "/shot.bmp";
        HeadlessRun run = RunHeadless(
            {"--frames", std::to_string(v.frames), "--screenshot", shot, TestRom("ppu_picture")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::string bmp = ReadFileText(shot);
        ASSERT_EQ(bmp.size(), 245814u);
        int wrong = 0;
        for (int y = 0; y < 240; ++y) {
            for (int x = 0; x < 256; ++x) {
                const int index = picture.Pixel(v, x, y);
                const uint32_t expected = Shown(kPalette[index], v.greyRed);
                const size_t at = 54 + (static_cast<size_t>(y) * 256 + x) * 4;
                const uint32_t actual = static_cast<uint8_t>(bmp[at]) |
                                        (static_cast<uint8_t>(bmp[at + 1]) << 8) |
                                        (static_cast<uint8_t>(bmp[at + 2]) << 16);
                if (actual != expected && ++wrong <= 10)
                    ADD_FAILURE() << "frame " << v.frames << " pixel (" << x << ", " << y
                                  << "): " << std::hex << actual << " instead of " << expected
                                  << " (palette index " << std::dec << index << ")";
            }
        }
        EXPECT_EQ(wrong, 0) << "frame " << v.frames;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace morvel::test
