// The sound chips of our boards recorded through --wav: each cartridge plays
// an APU pulse of known level and then two tones of its chip, with silence
// between them, so the chip's pitch and loudness are measured against the
// console's own channel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "support/media_probe.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

constexpr double kCyclesPerSample = 40.0;

// The APU's pulse mix at volume v, from the console's mixer formula.
double ApuPulse(int v) {
    return 95.52 / (8128.0 / v + 100.0);
}

struct ToneCase {
    const char* rom;
    double tenWaves[3];  // CPU cycles, from each cartridge's registers
    // Peak-to-peak of tone 2 against tone 1, and of tone 3 against tone 2.
    double secondOverFirst;
    double thirdOverSecond;
};

// Every tone has a wave of 4064 CPU cycles: the APU pulse with period 253
// ((253 + 1) x 16), the 5B with period 127 (32 x 127), the MMC5 pulses as the
// APU's. A 5B channel at full volume is twice (+6 dB) an APU pulse at full
// volume, and each of its volume steps is 3 dB (15 to 12: -9 dB). An MMC5
// pulse is exactly as loud as an APU pulse of the same volume.
const ToneCase kCases[] = {
    {"fme7_board", {40640, 40640, 40640}, 2.0, std::pow(10.0, -9.0 / 20.0)},
    {"mmc5_sound", {40640, 40640, 40640}, 1.0, ApuPulse(8) / ApuPulse(15)},
};

void PrintTo(const ToneCase& c, std::ostream* out) {
    *out << c.rom;
}

class CartridgeSound : public ::testing::TestWithParam<ToneCase> {};

TEST_P(CartridgeSound, TonesAtTheirPitchAndLevel) {
    const ToneCase& c = GetParam();
    const std::string wavPath = MakeTempDir() + "/" + c.rom + ".wav";
    HeadlessRun run =
        RunHeadless({"--until-result", "--frames", "600", "--wav", wavPath, TestRom(c.rom)});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::vector<int16_t> s = WavSamples(wavPath);
    const std::vector<Segment> segments = SoundingSegments(s);
    ASSERT_EQ(segments.size(), 3u) << "the APU pulse and the chip's two tones";
    double peakToPeak[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_GT(segments[i].end - segments[i].begin, 10000u) << "each tone lasts ~20 frames";
        const double lag = BestLag(s, segments[i], c.tenWaves[i] / kCyclesPerSample);
        EXPECT_NEAR(lag * kCyclesPerSample, c.tenWaves[i], c.tenWaves[i] * 0.01) << "tone " << i;
        const auto [low, high] = std::minmax_element(s.begin() + segments[i].begin + 2000,
                                                     s.begin() + segments[i].end - 2000);
        peakToPeak[i] = *high - *low;
    }
    // A half wave is 2032 cycles, 50 samples: the middle ones hold the level
    // itself (the sample's average of 40 cycles alters only the edges), so
    // only the rounding to 16 bits (1 in ~5000) separates it from the mix.
    EXPECT_NEAR(peakToPeak[0], ApuPulse(15) * 32767, 2.0) << "the APU pulse at volume 15";
    EXPECT_NEAR(peakToPeak[1] / peakToPeak[0], c.secondOverFirst, 0.01);
    EXPECT_NEAR(peakToPeak[2] / peakToPeak[1], c.thirdOverSecond, 0.01);
}

INSTANTIATE_TEST_SUITE_P(SoundBoards, CartridgeSound, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.rom); });

}  // namespace
}  // namespace morvel::test
