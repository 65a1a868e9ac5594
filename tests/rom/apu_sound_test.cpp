// Our tone cartridge recorded through --wav: three steady tones at the
// console's pitches, with silence between them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/run_headless.h"

namespace morvel::test {
namespace {

constexpr double kCyclesPerSample = 40.0;

struct Wav {
    uint32_t rate = 0;
    uint16_t channels = 0;
    uint16_t bits = 0;
    std::vector<int16_t> samples;
};

uint32_t Le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
    return v;
}

Wav ReadWav(const std::string& bytes) {
    Wav wav;
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 ||
        bytes.compare(8, 8, "WAVEfmt ") != 0)
        return wav;
    wav.channels = static_cast<uint16_t>(Le(bytes, 22, 2));
    wav.rate = Le(bytes, 24, 4);
    wav.bits = static_cast<uint16_t>(Le(bytes, 34, 2));
    uint32_t dataBytes = Le(bytes, 40, 4);
    for (size_t i = 44; i + 1 < bytes.size() && i < 44 + dataBytes; i += 2)
        wav.samples.push_back(static_cast<int16_t>(Le(bytes, i, 2)));
    return wav;
}

struct Segment {
    size_t begin, end;  // samples [begin, end)
};

// Runs of 400-sample blocks in which the signal moves.
std::vector<Segment> SoundingSegments(const std::vector<int16_t>& s) {
    const size_t block = 400;
    std::vector<Segment> segments;
    bool inside = false;
    for (size_t b = 0; b + block <= s.size(); b += block) {
        int16_t lo = s[b], hi = s[b];
        for (size_t i = b; i < b + block; ++i) {
            lo = std::min(lo, s[i]);
            hi = std::max(hi, s[i]);
        }
        bool moving = hi != lo;
        if (moving && !inside) segments.push_back({b, b + block});
        if (moving) segments.back().end = b + block;
        inside = moving;
    }
    return segments;
}

// Wave length in CPU cycles from the rising crossings of the middle level.
double PeriodFromCrossings(const std::vector<int16_t>& s, Segment seg) {
    int16_t lo = s[seg.begin], hi = s[seg.begin];
    for (size_t i = seg.begin; i < seg.end; ++i) {
        lo = std::min(lo, s[i]);
        hi = std::max(hi, s[i]);
    }
    double mid = (lo + hi) / 2.0;
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = seg.begin + 1; i < seg.end; ++i) {
        if (s[i - 1] < mid && s[i] >= mid) {
            double at = (i - 1) + (mid - s[i - 1]) / double(s[i] - s[i - 1]);
            if (first < 0) first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return (last - first) / (crossings - 1) * kCyclesPerSample;
}

// The lag (in samples, within [from, to]) at which the signal best matches itself.
size_t BestLag(const std::vector<int16_t>& s, Segment seg, size_t from, size_t to) {
    double mean = 0;
    for (size_t i = seg.begin; i < seg.end; ++i) mean += s[i];
    mean /= double(seg.end - seg.begin);
    size_t best = 0;
    double bestScore = -1e300;
    for (size_t lag = from; lag <= to; ++lag) {
        double score = 0;
        for (size_t i = seg.begin; i + lag < seg.end; ++i)
            score += (s[i] - mean) * (s[i + lag] - mean);
        score /= double(seg.end - seg.begin - lag);
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

Segment Trimmed(Segment seg) {
    return {seg.begin + 2000, seg.end - 2000};
}

TEST(ApuSound, TonesAtTheConsolesPitchWithSilenceBetween) {
    std::string dir = MakeTempDir();
    std::string wavPath = dir + "/tones.wav";
    HeadlessRun run =
        RunHeadless({"--until-result", "--frames", "300", "--wav", wavPath, TestRom("apu_tones")});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    Wav wav = ReadWav(ReadFileText(wavPath));
    EXPECT_EQ(wav.rate, 44100u);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.bits, 16);
    // About 90 frames of 744.5 samples each.
    ASSERT_GT(wav.samples.size(), 80u * 744);

    const std::vector<int16_t>& s = wav.samples;
    std::vector<Segment> segments = SoundingSegments(s);
    ASSERT_EQ(segments.size(), 3u) << "square, triangle, noise";
    for (const Segment& seg : segments)
        ASSERT_GT(seg.end - seg.begin, 10000u) << "each tone lasts ~20 frames";

    // Square: 16 * (253 + 1) cycles per wave.
    EXPECT_NEAR(PeriodFromCrossings(s, Trimmed(segments[0])), 4064.0, 4064.0 * 0.01);
    // Triangle: 32 * (50 + 1) cycles per wave.
    EXPECT_NEAR(PeriodFromCrossings(s, Trimmed(segments[1])), 1632.0, 1632.0 * 0.01);
    // Noise, short mode: the pattern of 93 shifts of 64 cycles repeats; look
    // for the repeat near ten patterns (1488 samples) for precision.
    size_t lag = BestLag(s, Trimmed(segments[2]), 1300, 1700);
    EXPECT_NEAR(lag * kCyclesPerSample, 10 * 93 * 64.0, 10 * 93 * 64.0 * 0.01);

    // Silence: 0 before the square and between the square and the triangle;
    // after the triangle stops it holds its last level, so the silences after
    // it are flat at that level.
    for (size_t i = 0; i < segments[0].begin; ++i) ASSERT_EQ(s[i], 0) << i;
    for (size_t i = segments[0].end + 400; i < segments[1].begin; ++i) ASSERT_EQ(s[i], 0) << i;
    int16_t held = s[segments[1].end + 400];
    for (size_t i = segments[1].end + 400; i < segments[2].begin; ++i) ASSERT_EQ(s[i], held) << i;
    for (size_t i = segments[2].end + 400; i < s.size(); ++i) ASSERT_EQ(s[i], held) << i;
}

}  // namespace
}  // namespace morvel::test
