// The Microsoft Video 1 encoder's codings, byte for byte as the format lays
// them out: 4 x 4 blocks bottom row first, little-endian words, RGB555 colours
// (red in bits 10-14, green 5-9, blue 0-4), mask bit 4y + x picking colour A.
#include "recording/msvideo1_encoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace morvel::test {
namespace {

constexpr uint32_t W = 0xF8F8F8, K = 0, B = 0x0000F8, R = 0xF80000, G = 0x00F800, Y = 0xF8F800,
                   H = 0x808080, R1 = 0x080000;

// Each block kind at the best quality, where it must be lossless.
TEST(Msvideo1Encoder, CodesEachBlockKind) {
    struct Case {
        const char* name;
        uint32_t pixels[16];  // bottom row first
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        // Blue 31: $001F with the solid flag.
        {"solid", {B, B, B, B, B, B, B, B, B, B, B, B, B, B, B, B}, {0x1F, 0x80}},
        // Red 1 is $0400: as a solid word $8400 it would be a skip code, so
        // it goes as two equal colours.
        {"solid like a skip",
         {R1, R1, R1, R1, R1, R1, R1, R1, R1, R1, R1, R1, R1, R1, R1, R1},
         {0x01, 0x00, 0x00, 0x04, 0x00, 0x04}},
        // Mask $3333 (its top bit must be clear, so pixel 15 takes B), A white.
        {"two colours",
         {W, W, K, K, W, W, K, K, W, W, K, K, W, W, K, K},
         {0x33, 0x33, 0xFF, 0x7F, 0, 0}},
        {"two colours swapped",
         {K, K, W, W, K, K, W, W, K, K, W, W, K, K, W, W},
         {0x33, 0x33, 0, 0, 0xFF, 0x7F}},
        // Two colours in each quarter (bottom left, bottom right, top left,
        // top right), A being the first pixel's and marked by the top bit of
        // the first colour: mask $05A5, then red/green, blue/white,
        // gray/yellow, black/red.
        {"eight colours",
         {R, G, B, W, G, R, W, B, H, Y, K, R, Y, Y, R, R},
         {0xA5, 0x05, 0x00, 0xFC, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F, 0x10, 0x42, 0xE0, 0x7F, 0x00,
          0x00, 0x00, 0x7C}},
    };
    for (const Case& c : cases) {
        Msvideo1Encoder encoder;
        encoder.Reset(4, 4, 10000, 1);
        std::vector<uint8_t> out;
        EXPECT_TRUE(encoder.EncodeFrame(c.pixels, 4, out));
        EXPECT_EQ(out, c.bytes) << c.name;
        for (int i = 0; i < 16; ++i) {
            uint32_t p = c.pixels[i];
            EXPECT_EQ(encoder.Reconstruction()[i],
                      (p >> 19 & 31) << 10 | (p >> 11 & 31) << 5 | (p >> 3 & 31))
                << c.name << " pixel " << i;
        }
    }
}

// Frames between key frames carry only the blocks that changed, the others
// as skips of up to 1023 blocks; a key frame comes every keyInterval frames
// and stands alone.
TEST(Msvideo1Encoder, SkipsUnchangedBlocksBetweenKeyFrames) {
    std::vector<uint32_t> picture(256 * 224, K);
    Msvideo1Encoder encoder;
    encoder.Reset(256, 224, 10000, 3);
    std::vector<std::vector<uint8_t>> out(7);
    std::vector<bool> keys;
    for (int frame = 0; frame < 7; ++frame) {
        if (frame == 2)  // block 70: block row 1, column 6
            for (int y = 4; y < 8; ++y)
                for (int x = 24; x < 28; ++x) picture[y * 256 + x] = W;
        keys.push_back(encoder.EncodeFrame(picture.data(), 256, out[frame]));
        EXPECT_TRUE(!keys.back() || encoder.LastFrameStats().skipped == 0) << frame;
    }
    EXPECT_EQ(keys, (std::vector<bool>{true, false, false, true, false, false, true}));
    // 3584 blocks skipped: 1023 + 1023 + 1023 + 515.
    EXPECT_EQ(out[1], (std::vector<uint8_t>{0xFF, 0x87, 0xFF, 0x87, 0xFF, 0x87, 0x03, 0x86}));
    // 70 skipped, the white block, 3513 skipped.
    EXPECT_EQ(out[2], (std::vector<uint8_t>{70, 0x84, 0xFF, 0xFF, 0xFF, 0x87, 0xFF, 0x87, 0xFF,
                                            0x87, 0xBC, 0x85}));
}

}  // namespace
}  // namespace morvel::test
