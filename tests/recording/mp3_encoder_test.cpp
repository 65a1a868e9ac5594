// The MP3 encoder over a long recording, which a test run does not reach.
#include "recording/mp3_encoder.h"

#include <gtest/gtest.h>

namespace morvel::test {
namespace {

// The APU makes a sample every 40 CPU cycles, 29780.5 cycles a frame: 744 and
// 745 samples in turn. Two minutes of frames must give two minutes of MP3
// (give or take the encoder's lead-in and last frame, under 50 ms), not the
// 83 ms more that 744 samples a frame would make of it.
TEST(Mp3Encoder, SoundTrackLastsAsLongAsThePictures) {
    Mp3Encoder mp3;
    ASSERT_TRUE(mp3.Open(64));
    int16_t silence[745] = {};
    std::vector<uint8_t> out;
    size_t bytes = 0;
    for (int frame = 0; frame < 7200; ++frame) {
        ASSERT_TRUE(mp3.Encode(silence, frame % 2 ? 745 : 744, out));
        bytes += out.size();
    }
    ASSERT_TRUE(mp3.Flush(out));
    double seconds = static_cast<double>(bytes + out.size()) / (64000 / 8);  // constant bit rate
    EXPECT_GE(seconds, 120.0);
    EXPECT_LT(seconds, 120.06);
}

}  // namespace
}  // namespace morvel::test
