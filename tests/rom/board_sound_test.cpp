// Our cartridges of boards with their own sound, recorded through --wav: each
// plays the APU's pulse 1 at full volume (duty 50 %, 4064 cycles a wave),
// then the board's tones, 20 frames each with silence between. The periods
// follow from the chips' documented counters, the levels from the documented
// loudness against that APU pulse.
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
constexpr double kApuPulseWave = 16 * 254.0;

struct Tone {
    double waveCycles;
    double lowLevel, highLevel;  // the swing against the APU pulse's
    const char* what;
    double high = 0;  // a pulse: the share of the wave spent high
};

// Lowest to highest sample in the middle of a tone.
double Swing(const std::vector<int16_t>& s, Segment seg) {
    const auto [lo, hi] =
        std::minmax_element(s.begin() + seg.begin + 2000, s.begin() + seg.end - 2000);
    return double(*hi) - double(*lo);
}

// Samples per wave in the middle of a tone, from its rises through the mean:
// tells a wave from two or half of one, which BestLag's ten waves cannot.
double RisePeriod(const std::vector<int16_t>& s, Segment seg) {
    double mean = 0;
    for (size_t i = seg.begin + 2000; i < seg.end - 2000; ++i) mean += s[i];
    mean /= double(seg.end - seg.begin - 4000);
    size_t rises = 0, first = 0, last = 0;
    for (size_t i = seg.begin + 2001; i < seg.end - 2000; ++i) {
        if (s[i - 1] > mean || s[i] <= mean) continue;
        if (rises++ == 0) first = i;
        last = i;
    }
    return rises > 1 ? double(last - first) / double(rises - 1) : 0;
}

// The share of the middle of a tone above halfway between its extremes.
double HighShare(const std::vector<int16_t>& s, Segment seg) {
    const auto first = s.begin() + seg.begin + 2000, last = s.begin() + seg.end - 2000;
    const auto [lo, hi] = std::minmax_element(first, last);
    const double middle = (double(*lo) + double(*hi)) / 2;
    return double(std::count_if(first, last, [&](int16_t v) { return v > middle; })) /
           double(last - first);
}

void ExpectTones(const char* rom, std::initializer_list<Tone> tones) {
    SCOPED_TRACE(rom);
    const std::string wavPath = MakeTempDir() + "/" + rom + ".wav";
    HeadlessRun run =
        RunHeadless({"--until-result", "--frames", "900", "--wav", wavPath, TestRom(rom)});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    ASSERT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    const std::vector<int16_t> s = WavSamples(wavPath);
    const std::vector<Segment> segments = SoundingSegments(s);
    ASSERT_EQ(segments.size(), tones.size() + 1) << "the APU pulse, then each tone";
    const double reference = Swing(s, segments[0]);
    ASSERT_GT(reference, 1000.0);
    const double referenceLag = BestLag(s, segments[0], 10 * kApuPulseWave / kCyclesPerSample);
    EXPECT_NEAR(referenceLag * kCyclesPerSample, 10 * kApuPulseWave, 10 * kApuPulseWave * 0.01);
    size_t i = 0;
    for (const Tone& tone : tones) {
        const Segment seg = segments[++i];
        ASSERT_GT(seg.end - seg.begin, 10000u) << tone.what << ": each tone lasts ~20 frames";
        const double lag = BestLag(s, seg, 10 * tone.waveCycles / kCyclesPerSample);
        EXPECT_NEAR(lag * kCyclesPerSample, 10 * tone.waveCycles, 10 * tone.waveCycles * 0.01)
            << tone.what;
        EXPECT_NEAR(RisePeriod(s, seg) * kCyclesPerSample, tone.waveCycles, tone.waveCycles * 0.01)
            << tone.what;
        const double level = Swing(s, seg) / reference;
        EXPECT_GE(level, tone.lowLevel) << tone.what;
        EXPECT_LE(level, tone.highLevel) << tone.what;
        // A wave is about 100 samples; the one sample at each edge is a mix.
        if (tone.high > 0) {
            EXPECT_NEAR(HighShare(s, seg), tone.high, 0.02) << tone.what;
        }
    }
}

// A VRC6 pulse at volume 15 is about as loud as the APU pulse at full volume
// (the chip's DAC is linear); 10 % covers "about". Duty d keeps a pulse high
// for d + 1 of its 16 steps. The sawtooth adds its rate
// 42 six times before it clears, peaking at 252, whose top five bits are 31:
// 31/15 of the pulse's swing.
TEST(BoardSound, Vrc6PulsesAndSawtooth) {
    for (const char* rom : {"vrc6_board", "vrc6b_board"}) {
        ExpectTones(rom,
                    {
                        {16 * 254.0, 0.9, 1.1, "pulse 1: 16 steps of 253 + 1 cycles", 8 / 16.0},
                        {16 * 254.0, 0.9, 1.1, "pulse 2: period $FDF shifted right by 4", 4 / 16.0},
                        {14 * 290.0, 31.0 / 15 * 0.9, 31.0 / 15 * 1.1,
                         "sawtooth: 14 steps of 289 + 1 cycles"},
                    });
    }
}

// One wavetable channel updated every 15 cycles, 16 samples of phase step
// $F00 / $10000: 15 * 16 * 65536 / $F00 = 4096 cycles a wave. A one-channel
// square at full volume is 11 to 13 dB louder than the APU pulse (the level of
// NES 2.0 submapper 3, which an iNES header without a submapper gets). With
// two channels enabled each is updated every 30 cycles and sounds half the
// time, so the silent one halves the other's level.
TEST(BoardSound, Namco163OneChannel) {
    const double low = std::pow(10.0, 11.0 / 20), high = std::pow(10.0, 13.0 / 20);
    ExpectTones(
        "namco163_board",
        {{4096.0, low, high, "channel 8: a square of samples 0 and 15 at volume 15"},
         {2 * 4096.0, low / 2, high / 2, "two channels: updated half as often, heard half"}});
}

}  // namespace
}  // namespace morvel::test
