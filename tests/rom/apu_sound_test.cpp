// Our tone cartridge recorded through --wav: four steady tones at the
// console's pitches (the last from the DMC's looped sample), with silence
// between them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/media_probe.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

constexpr double kCyclesPerSample = 40.0;

TEST(ApuSound, TonesAtTheConsolesPitchWithSilenceBetween) {
    const std::string wavPath = MakeTempDir() + "/tones.wav";
    HeadlessRun run =
        RunHeadless({"--until-result", "--frames", "300", "--wav", wavPath, TestRom("apu_tones")});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::vector<int16_t> s = WavSamples(wavPath);
    ASSERT_GT(s.size(), 80u * 744) << "about 90 frames of 744.5 samples each";
    const std::vector<Segment> segments = SoundingSegments(s);
    ASSERT_EQ(segments.size(), 4u) << "square, triangle, noise, DMC";
    // Ten waves in CPU cycles: the square 16 (253 + 1) each, the triangle
    // 32 (50 + 1), the short noise pattern 93 shifts of 64, the DMC sample
    // 17 bytes of 8 bits of 54.
    const double tenWaves[4] = {10 * 4064.0, 10 * 1632.0, 10 * 93 * 64.0, 10 * 136 * 54.0};
    for (int i = 0; i < 4; ++i) {
        ASSERT_GT(segments[i].end - segments[i].begin, 10000u) << "each tone lasts ~20 frames";
        const double lag = BestLag(s, segments[i], tenWaves[i] / kCyclesPerSample);
        EXPECT_NEAR(lag * kCyclesPerSample, tenWaves[i], tenWaves[i] * 0.01) << "tone " << i;
    }
    // Silence: 0 before the square and between the square and the triangle;
    // after the triangle stops it holds its last level, so the silences after
    // it are flat at that level. The DMC plays to the end.
    for (size_t i = 0; i < segments[0].begin; ++i) ASSERT_EQ(s[i], 0) << i;
    for (size_t i = segments[0].end + 400; i < segments[1].begin; ++i) ASSERT_EQ(s[i], 0) << i;
    const int16_t held = s[segments[1].end + 400];
    for (size_t i = segments[1].end + 400; i < segments[2].begin; ++i) ASSERT_EQ(s[i], held) << i;
    for (size_t i = segments[2].end + 400; i < segments[3].begin; ++i) ASSERT_EQ(s[i], held) << i;
    EXPECT_GT(segments[3].end + 400, s.size()) << "the DMC stopped";
}

}  // namespace
}  // namespace morvel::test
