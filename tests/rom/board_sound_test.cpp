// Our cartridges of boards with their own sound, recorded through --wav: each
// plays the APU's pulse 1 at full volume (duty 50 %, (253 + 1) x 16 = 4064
// cycles a wave), then the board's tones, 20 frames each with silence between.
// The periods follow from the chips' documented counters, the levels from the
// documented loudness against that APU pulse.
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
constexpr double kApuPulseWave = 16 * 254.0;

// The APU's pulse mix at volume v, from the console's mixer formula.
double ApuPulse(int v) {
    return 95.52 / (8128.0 / v + 100.0);
}

struct Tone {
    double waveCycles;
    double lowLevel, highLevel;  // the swing against the APU pulse's
    const char* what;
    double high = 0;  // a pulse: the share of the wave spent high
};

// A level known to within 1 %.
Tone Level(double waveCycles, double level, const char* what) {
    return {waveCycles, level - 0.01, level + 0.01, what};
}

struct SoundCartridge {
    const char* rom;
    std::vector<Tone> tones;  // after the APU pulse
};

// A VRC6 pulse at volume 15 is about as loud as the APU pulse at full volume
// (the chip's DAC is linear); 10 % covers "about". Duty d keeps a pulse high
// for d + 1 of its 16 steps. The sawtooth adds its rate 42 six times before
// it clears, peaking at 252, whose top five bits are 31: 31/15 of the pulse's
// swing.
const std::vector<Tone> kVrc6Tones = {
    {16 * 254.0, 0.9, 1.1, "pulse 1: 16 steps of 253 + 1 cycles", 8 / 16.0},
    {16 * 254.0, 0.9, 1.1, "pulse 2: period $FDF shifted right by 4", 4 / 16.0},
    {14 * 290.0, 31.0 / 15 * 0.9, 31.0 / 15 * 1.1, "sawtooth: 14 steps of 289 + 1 cycles"},
};

// One Namco 163 wavetable channel is updated every 15 cycles, 16 samples of
// phase step $F00 / $10000: 15 * 16 * 65536 / $F00 = 4096 cycles a wave. A
// one-channel square at full volume is 11 to 13 dB louder than the APU pulse
// (the level of NES 2.0 submapper 3, which an iNES header without a submapper
// gets). With two channels enabled each is updated every 30 cycles and sounds
// half the time, so the silent one halves the other's level.
const double kN163Low = std::pow(10.0, 11.0 / 20), kN163High = std::pow(10.0, 13.0 / 20);

// A 5B tone of period 127 lasts 32 x 127 = 4064 cycles, its envelope of
// period 8 ramps in 32 steps of 16 x 8 cycles (4096). A 5B channel at full
// volume (level 31, the top of the ramp too) is twice (+6 dB) an APU pulse at
// full volume, and each of its volume steps is 3 dB (15 to 12: -9 dB). An MMC5
// pulse counts as the APU's and is as loud as an APU pulse of the same volume.
const SoundCartridge kCartridges[] = {
    {"vrc6_board", kVrc6Tones},
    {"vrc6b_board", kVrc6Tones},
    {"namco163_board",
     {{4096.0, kN163Low, kN163High, "channel 8: a square of samples 0 and 15 at volume 15"},
      {2 * 4096.0, kN163Low / 2, kN163High / 2,
       "two channels: updated half as often, heard half"}}},
    {"fme7_board",
     {Level(4064, 2.0, "5B tone A at volume 15"),
      Level(4064, 2.0 * std::pow(10.0, -9.0 / 20.0), "5B tone A at volume 12"),
      Level(4096, 2.0, "5B envelope ramp of period 8")}},
    {"mmc5_sound",
     {Level(4064, 1.0, "MMC5 pulse 1 at volume 15"),
      Level(4064, ApuPulse(8) / ApuPulse(15), "MMC5 pulse 2 at volume 8")}},
};

void PrintTo(const SoundCartridge& c, std::ostream* out) {
    *out << c.rom;
}

// Lowest to highest sample in the middle of a tone. A sample averages 40
// cycles: within a half wave some samples hold the level itself.
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

class BoardSound : public ::testing::TestWithParam<SoundCartridge> {};

TEST_P(BoardSound, TonesAtTheirPitchAndLevel) {
    const SoundCartridge& c = GetParam();
    const std::string wavPath = MakeTempDir() + "/" + c.rom + ".wav";
    HeadlessRun run =
        RunHeadless({"--until-result", "--frames", "900", "--wav", wavPath, TestRom(c.rom)});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    ASSERT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    const std::vector<int16_t> s = WavSamples(wavPath);
    const std::vector<Segment> segments = SoundingSegments(s);
    ASSERT_EQ(segments.size(), c.tones.size() + 1) << "the APU pulse, then each tone";
    const double reference = Swing(s, segments[0]);
    EXPECT_NEAR(reference, ApuPulse(15) * 32767, 2.0) << "the APU pulse at volume 15";
    const double referenceLag = BestLag(s, segments[0], 10 * kApuPulseWave / kCyclesPerSample);
    EXPECT_NEAR(referenceLag * kCyclesPerSample, 10 * kApuPulseWave, 10 * kApuPulseWave * 0.01);
    for (size_t i = 0; i < c.tones.size(); ++i) {
        const Tone& tone = c.tones[i];
        const Segment seg = segments[i + 1];
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

INSTANTIATE_TEST_SUITE_P(SoundBoards, BoardSound, ::testing::ValuesIn(kCartridges),
                         [](const auto& info) { return std::string(info.param.rom); });

}  // namespace
}  // namespace morvel::test
