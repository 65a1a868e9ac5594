// The VRC7 cartridge's sounds recorded through --wav: an APU pulse at volume
// 15, the clarinet at F-number $120 octave 4 held then keyed off, and the
// same note cut by the silence bit of $E000.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/media_probe.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

constexpr double kCyclesPerSample = 40.0;
constexpr double kSamplesPerFrame = 29780.5 / kCyclesPerSample;

int PeakToPeak(const std::vector<int16_t>& s, size_t begin, size_t end) {
    const auto [lo, hi] = std::minmax_element(s.begin() + begin, s.begin() + end);
    return *hi - *lo;
}

TEST(Vrc7Sound, ClarinetAtItsPitchAndLevelThenSilent) {
    const std::string wavPath = MakeTempDir() + "/vrc7.wav";
    HeadlessRun run =
        RunHeadless({"--until-result", "--frames", "600", "--wav", wavPath, TestRom("vrc7_board")});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    const std::vector<int16_t> s = WavSamples(wavPath);
    const std::vector<Segment> segments = SoundingSegments(s);
    ASSERT_EQ(segments.size(), 3u) << "pulse, held note, cut note";
    const Segment pulse = segments[0], note = segments[1], cut = segments[2];

    // Pitch: 49716 Hz * F-number / 2^(19 - octave), so one wave of F-number
    // 288 at octave 4 lasts 36 * 2^15 / 288 = 4096 CPU cycles.
    const double tenWaves = 10 * 4096.0;
    const double lag = BestLag(s, note, tenWaves / kCyclesPerSample);
    EXPECT_NEAR(lag * kCyclesPerSample, tenWaves, tenWaves * 0.01);

    // Level: a full channel swings about 11 dB above the pulse at volume 15;
    // the clarinet's carrier holds at its sustain level 2, 6 dB down, so
    // 5 dB above the pulse. Within 1 dB: the envelope stops within one 0.375
    // dB step of its sustain level and the 9-bit output rounds by less.
    const double pulseSwing = PeakToPeak(s, pulse.begin + 2000, pulse.end - 2000);
    const double noteSwing = PeakToPeak(s, note.begin + 5000, note.begin + 15000);
    ASSERT_GT(pulseSwing, 0.0);
    EXPECT_NEAR(20.0 * std::log10(noteSwing / pulseSwing), 5.0, 1.0);

    // Held 30 frames; key-off then fades it to exactly nothing before the
    // next note, 40 frames on.
    EXPECT_GT((note.end - note.begin) / kSamplesPerFrame, 30.0);
    for (size_t i = note.end + 400; i < cut.begin; ++i) ASSERT_EQ(s[i], 0) << i;
    // The silence bit stops the second note at once: 5 frames, no release.
    const double cutFrames = (cut.end - cut.begin) / kSamplesPerFrame;
    EXPECT_NEAR(cutFrames, 5.0, 1.0);
    for (size_t i = cut.end + 400; i < s.size(); ++i) ASSERT_EQ(s[i], 0) << i;
}

// A state saved at frame 55, in the middle of the held note, and loaded at
// frame 100 plays on exactly as the run that saved it: the rest of the note,
// its release and the cut note, sample for sample.
TEST(Vrc7Sound, SavedStateResumesTheNote) {
    const std::string dir = MakeTempDir();
    const std::string rom = TestRom("vrc7_board");
    HeadlessRun first = RunHeadless({"--frames", "200", "--save-state", "2@55", "--wav",
                                     dir + "/a.wav", "--data-dir", dir, rom});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    HeadlessRun second = RunHeadless({"--frames", "245", "--load-state", "2@100", "--wav",
                                      dir + "/b.wav", "--data-dir", dir, rom});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    const std::vector<int16_t> a = WavSamples(dir + "/a.wav");
    const std::vector<int16_t> b = WavSamples(dir + "/b.wav");
    const size_t tail = static_cast<size_t>(140 * kSamplesPerFrame);
    ASSERT_GT(a.size(), tail);
    ASSERT_GT(b.size(), tail);
    EXPECT_GT(PeakToPeak(a, a.size() - tail, a.size() - tail + 10000), 1000) << "the note plays";
    EXPECT_TRUE(std::equal(a.end() - tail, a.end(), b.end() - tail)) << "samples differ";
}

}  // namespace
}  // namespace morvel::test
