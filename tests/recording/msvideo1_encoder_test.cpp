// The Microsoft Video 1 encoder on its own: the block codings, skips between
// frames and the quality setting, checked against a decoder written from the
// format's description and against ffmpeg's decoder.
#include "recording/msvideo1_encoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "busy_picture.h"
#include "recording/avi_writer.h"
#include "support/media_probe.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

uint16_t Word(const std::vector<uint8_t>& d, size_t at) {
    return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}

// Decodes one frame into shown (RGB555, bottom row first), as a player does.
bool ReferenceDecode(const std::vector<uint8_t>& data, int width, int height,
                     std::vector<uint16_t>& shown) {
    size_t at = 0;
    int skip = 0;
    for (int by = 0; by < height; by += 4)
        for (int bx = 0; bx < width; bx += 4) {
            if (skip > 0) {
                --skip;
                continue;
            }
            if (at + 2 > data.size()) return false;
            uint16_t w = Word(data, at);
            at += 2;
            uint16_t block[16];
            if ((w & 0xFC00) == 0x8400) {
                skip = (w - 0x8400) - 1;
                continue;
            } else if (w & 0x8000) {
                for (uint16_t& p : block) p = w & 0x7FFF;
            } else {
                if (at + 4 > data.size()) return false;
                uint16_t colours[8] = {Word(data, at), Word(data, at + 2)};
                at += 4;
                bool eight = colours[0] & 0x8000;
                if (eight) {
                    if (at + 12 > data.size()) return false;
                    for (int i = 2; i < 8; ++i, at += 2) colours[i] = Word(data, at);
                }
                for (int i = 0; i < 16; ++i) {
                    int pick = (w >> i & 1) ? 0 : 1;
                    int x = i & 3, y = i >> 2;
                    int pair = eight ? 2 * ((y >> 1) * 2 + (x >> 1)) : 0;
                    block[i] = colours[pair + pick] & 0x7FFF;
                }
            }
            for (int i = 0; i < 16; ++i) shown[(by + (i >> 2)) * width + bx + (i & 3)] = block[i];
        }
    return skip == 0 && at == data.size();
}

uint16_t To555(uint32_t p) {
    return static_cast<uint16_t>((p >> 19 & 31) << 10 | (p >> 11 & 31) << 5 | (p >> 3 & 31));
}

constexpr uint32_t kWhite = 0xF8F8F8, kBlack = 0, kBlue = 0x0000F8, kRed1 = 0x080000;
constexpr uint32_t kRed = 0xF80000, kGreen = 0x00F800, kGray = 0x808080, kYellow = 0xF8F800;

struct BlockCase {
    const char* name;
    uint32_t pixels[16];         // bottom row first
    size_t size;                 // bytes of the coded block
    std::vector<uint8_t> bytes;  // exact bytes, when the coding is unique
};

class BlockCoding : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BlockCoding, CodesTheBlockAsExpectedAndLosslessly) {
    const BlockCase& c = GetParam();
    Msvideo1Encoder encoder;
    encoder.Reset(4, 4, 10000, 1);
    std::vector<uint8_t> out;
    EXPECT_TRUE(encoder.EncodeFrame(c.pixels, 4, out));
    ASSERT_EQ(out.size(), c.size);
    if (!c.bytes.empty()) {
        EXPECT_EQ(out, c.bytes);
    }
    std::vector<uint16_t> shown(16, 0xFFFF);
    ASSERT_TRUE(ReferenceDecode(out, 4, 4, shown));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(shown[i], To555(c.pixels[i])) << "pixel " << i;
    EXPECT_EQ(shown, encoder.Reconstruction());
}

#define W kWhite
#define B kBlack
INSTANTIATE_TEST_SUITE_P(
    Blocks, BlockCoding,
    ::testing::Values(
        // Blue 31 -> $001F, with the solid flag.
        BlockCase{"Solid",
                  {kBlue, kBlue, kBlue, kBlue, kBlue, kBlue, kBlue, kBlue, kBlue, kBlue, kBlue,
                   kBlue, kBlue, kBlue, kBlue, kBlue},
                  2,
                  {0x1F, 0x80}},
        // Red level 1 is $0400: as a solid word $8400 it would be a skip code.
        BlockCase{"SolidThatLooksLikeASkip",
                  {kRed1, kRed1, kRed1, kRed1, kRed1, kRed1, kRed1, kRed1, kRed1, kRed1, kRed1,
                   kRed1, kRed1, kRed1, kRed1, kRed1},
                  6,
                  {0x01, 0x00, 0x00, 0x04, 0x00, 0x04}},
        // Left half white: mask $3333 (top bit clear: the last pixel is black), A white.
        BlockCase{"TwoColours",
                  {W, W, B, B, W, W, B, B, W, W, B, B, W, W, B, B},
                  6,
                  {0x33, 0x33, 0xFF, 0x7F, 0x00, 0x00}},
        // Right half white: the last pixel is white, so the pair is swapped.
        BlockCase{"TwoColoursSwapped",
                  {B, B, W, W, B, B, W, W, B, B, W, W, B, B, W, W},
                  6,
                  {0x33, 0x33, 0x00, 0x00, 0xFF, 0x7F}},
        BlockCase{"EightColours",
                  {kRed, kGreen, kBlue, kWhite, kGreen, kRed, kWhite, kBlue, kGray, kYellow, kBlack,
                   kRed, kYellow, kYellow, kRed, kRed},
                  18,
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });
#undef W
#undef B

std::vector<uint32_t> BusyFrame(const BusyPicture& busy, int frame) {
    std::vector<uint32_t> picture(256 * 256);
    busy.Draw(frame, picture.data());
    return picture;
}

TEST(Msvideo1Encoder, SkipsTheBlocksThatDidNotChange) {
    BusyPicture busy;
    std::vector<uint32_t> picture = BusyFrame(busy, 0);
    Msvideo1Encoder encoder;
    encoder.Reset(256, 224, 10000, 60);
    std::vector<uint8_t> out;
    ASSERT_TRUE(encoder.EncodeFrame(picture.data(), 256, out));
    EXPECT_EQ(encoder.LastFrameStats().skipped, 0u);

    // The same picture again: 3584 blocks skipped as 1023 + 1023 + 1023 + 515.
    EXPECT_FALSE(encoder.EncodeFrame(picture.data(), 256, out));
    EXPECT_EQ(out, (std::vector<uint8_t>{0xFF, 0x87, 0xFF, 0x87, 0xFF, 0x87, 0x03, 0x86}));

    // One block changed (block 70: row 1, column 6): 70 skipped, the block, 3513 skipped.
    for (int y = 4; y < 8; ++y)
        for (int x = 24; x < 28; ++x) picture[y * 256 + x] = kWhite;
    std::vector<uint16_t> before = encoder.Reconstruction();
    EXPECT_FALSE(encoder.EncodeFrame(picture.data(), 256, out));
    EXPECT_EQ(encoder.LastFrameStats().skipped, 3583u);
    EXPECT_EQ(encoder.LastFrameStats().solid, 1u);
    EXPECT_EQ(out, (std::vector<uint8_t>{70, 0x84, 0xFF, 0xFF, 0xFF, 0x87, 0xFF, 0x87, 0xFF, 0x87,
                                         0xBC, 0x85}));
    std::vector<uint16_t> shown = before;
    ASSERT_TRUE(ReferenceDecode(out, 256, 224, shown));
    EXPECT_EQ(shown, encoder.Reconstruction());
}

TEST(Msvideo1Encoder, KeyFramesComeAtTheInterval) {
    BusyPicture busy;
    std::vector<uint32_t> picture = BusyFrame(busy, 0);
    Msvideo1Encoder encoder;
    encoder.Reset(256, 224, 6000, 3);
    std::vector<uint8_t> out;
    std::vector<bool> keys;
    for (int i = 0; i < 7; ++i) keys.push_back(encoder.EncodeFrame(picture.data(), 256, out));
    EXPECT_EQ(keys, (std::vector<bool>{true, false, false, true, false, false, true}));
    EXPECT_EQ(encoder.LastFrameStats().skipped, 0u);  // a key frame stands alone
}

double Psnr555(const std::vector<uint16_t>& shown, const uint32_t* picture, int stride) {
    double sum = 0;
    for (int y = 0; y < 224; ++y)
        for (int x = 0; x < 256; ++x) {
            uint32_t p = picture[y * stride + x];
            uint16_t s = shown[y * 256 + x];
            int channels[3][2] = {{static_cast<int>(p >> 19 & 31), s >> 10 & 31},
                                  {static_cast<int>(p >> 11 & 31), s >> 5 & 31},
                                  {static_cast<int>(p >> 3 & 31), s & 31}};
            for (auto& c : channels) sum += (c[0] - c[1]) * (c[0] - c[1]);
        }
    double mse = sum / (256 * 224 * 3);
    return mse == 0 ? 1000 : 10 * std::log10(31.0 * 31.0 / mse);
}

TEST(Msvideo1Encoder, HigherQualityCostsBytesAndGainsPicture) {
    BusyPicture busy(2);
    std::vector<size_t> sizes;
    std::vector<double> psnr;
    for (int quality : {4000, 6000, 10000}) {
        Msvideo1Encoder encoder;
        encoder.Reset(256, 224, quality, 60);
        size_t total = 0;
        std::vector<uint8_t> out;
        std::vector<uint16_t> shown(256 * 224);
        for (int frame = 0; frame < 10; ++frame) {
            std::vector<uint32_t> picture = BusyFrame(busy, frame);
            encoder.EncodeFrame(picture.data(), 256, out);
            total += out.size();
            ASSERT_TRUE(ReferenceDecode(out, 256, 224, shown));
            ASSERT_EQ(shown, encoder.Reconstruction());
            if (frame == 9) psnr.push_back(Psnr555(shown, picture.data(), 256));
        }
        sizes.push_back(total);
    }
    EXPECT_LT(sizes[0], sizes[1]);
    EXPECT_LT(sizes[1], sizes[2]);
    EXPECT_LT(psnr[0], psnr[1]);
    EXPECT_LT(psnr[1], psnr[2]);
    std::printf("bytes for 10 frames: %zu %zu %zu; PSNR %.1f %.1f %.1f dB\n", sizes[0], sizes[1],
                sizes[2], psnr[0], psnr[1], psnr[2]);
}

// ffmpeg's decoder shows, pixel for pixel, what the encoder expects players to show.
TEST(Msvideo1Encoder, FfmpegDecodesExactlyTheReconstruction) {
    if (!MediaToolsPresent()) GTEST_SKIP() << "ffmpeg/ffprobe not installed";
    std::string path = MakeTempDir() + "/cram.avi";
    AviWriter avi;
    ASSERT_TRUE(avi.Open(path.c_str()));
    AviStreamInfo info{{'v', 'i', 'd', 's'}, {'m', 's', 'v', 'c'}, 17, 1020, 0, 0, 0,
                       {0, 0, 256, 224}};
    int stream = avi.CreateStream(info);
    uint8_t format[40] = {40, 0, 0, 0, 0, 1, 0, 0, 224, 0, 0, 0, 1, 0, 16, 0, 'C', 'R', 'A', 'M'};
    ASSERT_TRUE(avi.SetFormat(stream, format, sizeof format));
    BusyPicture busy;
    Msvideo1Encoder encoder;
    encoder.Reset(256, 224, 6000, 4);
    std::vector<std::vector<uint16_t>> expected;
    std::vector<uint8_t> out;
    for (int frame = 0; frame < 6; ++frame) {
        // Still every other frame, so that skips reach the decoder too.
        std::vector<uint32_t> picture = BusyFrame(busy, frame / 2);
        bool key = encoder.EncodeFrame(picture.data(), 256, out);
        ASSERT_TRUE(avi.Write(stream, out.data(), out.size(), key));
        expected.push_back(encoder.Reconstruction());
    }
    ASSERT_TRUE(avi.Close());
    for (int frame = 0; frame < 6; ++frame) {
        std::vector<uint16_t> decoded = DecodeVideoFrame555(path, frame);
        ASSERT_EQ(decoded.size(), 256u * 224u) << "frame " << frame;
        int mismatches = 0;
        for (int y = 0; y < 224; ++y)  // decoded top row first, ours bottom row first
            for (int x = 0; x < 256; ++x)
                mismatches +=
                    (decoded[y * 256 + x] & 0x7FFF) != expected[frame][(223 - y) * 256 + x];
        EXPECT_EQ(mismatches, 0) << "frame " << frame;
    }
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

}  // namespace
}  // namespace morvel::test
