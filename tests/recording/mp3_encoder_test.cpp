// The MP3 encoder: its bitrates, and a sound track as long as the pictures.
#include "recording/mp3_encoder.h"

#include <gtest/gtest.h>

namespace morvel::test {
namespace {

// The APU makes a sample every 40 CPU cycles, 29780.5 cycles a frame: 744 and
// 745 samples in turn. Two minutes of frames must give two minutes of MP3
// (give or take the encoder's lead-in and last frame, under 50 ms), not the
// 83 ms more that 744 samples a frame would make of it.
TEST(Mp3Encoder, SoundTrackLastsAsLongAsThePictures) {
    constexpr int kFrames = 7200;  // 120 s at 60 frames per second
    Mp3Encoder mp3;
    ASSERT_TRUE(mp3.Open(64));
    int16_t silence[745] = {};
    std::vector<uint8_t> out;
    size_t bytes = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
        ASSERT_TRUE(mp3.Encode(silence, frame % 2 ? 745 : 744, out));
        bytes += out.size();
    }
    ASSERT_TRUE(mp3.Flush(out));
    bytes += out.size();
    double seconds = static_cast<double>(bytes) / (64000 / 8);  // constant bitrate
    EXPECT_GE(seconds, 120.0);
    EXPECT_LT(seconds, 120.06);
}

struct BitrateCase {
    int kbps;
    bool usable;
};

class Mp3Bitrate : public ::testing::TestWithParam<BitrateCase> {};

// MPEG-1 layer 3 has no 100 kbit/s; the encoder refuses it rather than
// writing another rate than the file's header will claim.
TEST_P(Mp3Bitrate, OpensOnlyAtARealBitrate) {
    Mp3Encoder mp3;
    EXPECT_EQ(mp3.Open(GetParam().kbps), GetParam().usable);
    std::vector<uint8_t> out;
    int16_t samples[744] = {};
    EXPECT_EQ(mp3.Encode(samples, 744, out), GetParam().usable);
}

INSTANTIATE_TEST_SUITE_P(Rates, Mp3Bitrate,
                         ::testing::Values(BitrateCase{64, true}, BitrateCase{96, true},
                                           BitrateCase{128, true}, BitrateCase{100, false}));

TEST(Mp3Encoder, ClosedEncoderRefusesWork) {
    Mp3Encoder mp3;
    std::vector<uint8_t> out{1, 2, 3};
    int16_t sample = 0;
    EXPECT_FALSE(mp3.Encode(&sample, 1, out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(mp3.Flush(out));
}

}  // namespace
}  // namespace morvel::test
