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
    // Per tone, the first an APU pulse at volume 15: ten waves in CPU cycles
    // (from the cartridge's registers) and the peak-to-peak level against
    // that pulse's.
    std::vector<double> tenWaves;
    std::vector<double> levels;
};

// The APU pulse with period 253 has a wave of (253 + 1) x 16 = 4064 CPU
// cycles, a 5B tone of period 127 32 x 127 = 4064, its envelope of period 8
// ramps in 32 steps of 16 x 8 cycles (4096), the MMC5 pulses count as the
// APU's. A 5B channel at full volume (level 31, the top of the ramp too) is
// twice (+6 dB) an APU pulse at full volume, and each of its volume steps is
// 3 dB (15 to 12: -9 dB). An MMC5 pulse is as loud as an APU pulse of the
// same volume.
const ToneCase kCases[] = {
    {"fme7_board",
     {40640, 40640, 40640, 40960},
     {1.0, 2.0, 2.0 * std::pow(10.0, -9.0 / 20.0), 2.0}},
    {"mmc5_sound", {40640, 40640, 40640}, {1.0, 1.0, ApuPulse(8) / ApuPulse(15)}},
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
    ASSERT_EQ(segments.size(), c.tenWaves.size()) << "the APU pulse and the chip's tones";
    // A sample averages 40 cycles: within a half wave (2032 cycles) or an
    // envelope step (128) some samples hold the level itself, so only the
    // rounding to 16 bits (1 in ~5000) separates it from the mix.
    std::vector<double> peakToPeak(segments.size());
    for (size_t i = 0; i < segments.size(); ++i) {
        ASSERT_GT(segments[i].end - segments[i].begin, 10000u) << "each tone lasts ~20 frames";
        const double lag = BestLag(s, segments[i], c.tenWaves[i] / kCyclesPerSample);
        EXPECT_NEAR(lag * kCyclesPerSample, c.tenWaves[i], c.tenWaves[i] * 0.01) << "tone " << i;
        const auto [low, high] = std::minmax_element(s.begin() + segments[i].begin + 2000,
                                                     s.begin() + segments[i].end - 2000);
        peakToPeak[i] = *high - *low;
        EXPECT_NEAR(peakToPeak[i] / peakToPeak[0], c.levels[i], 0.01) << "tone " << i;
    }
    EXPECT_NEAR(peakToPeak[0], ApuPulse(15) * 32767, 2.0) << "the APU pulse at volume 15";
}

INSTANTIATE_TEST_SUITE_P(SoundBoards, CartridgeSound, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.rom); });

}  // namespace
}  // namespace morvel::test
