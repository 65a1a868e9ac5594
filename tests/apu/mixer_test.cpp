// The mixer, the sample stage and the volume steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "apu/volume_steps.h"
#include "apu_test_support.h"

namespace morvel::test {
namespace {

// Holds the channels at the given levels (pulses and noise at constant
// volume) with timers long enough that nothing moves for a few hundred cycles.
void HoldLevels(uint32_t pulse1, uint32_t pulse2, uint8_t triangle, uint32_t noise, uint8_t dmc) {
    Write(0x4015, 0x0F);
    for (PulseChannel* pulse : {&apu.pulse1, &apu.pulse2}) {
        pulse->env = {};
        pulse->env.constant = 0x10;
        pulse->env.volume = pulse == &apu.pulse1 ? pulse1 : pulse2;
        pulse->length = 100;
        pulse->output = 1;
        pulse->period = pulse->timer = 0x7FF;
    }
    apu.tri.output = triangle;
    apu.tri.linear = 0;
    apu.noise.env.constant = 0x10;
    apu.noise.env.volume = noise;
    apu.noise.length = 100;
    apu.noise.shift = 0x0002;
    apu.noise.timer = 4000;
    apu.dmc.levelOut = dmc;
    apu.dmc.rate = 0;
}

// The first sample (40 cycles) for channel levels and volumes. Expected values
// are 32767 times the console's mixer curves, 95.52 / (8128 / pulses + 100) +
// 163.67 / (24329 / (3 triangle + 2 noise + DMC) + 100), times the gain of the
// volume, truncated and clamped to +-32000.
TEST(Mixer, LevelsVolumeAndClamp) {
    struct Case {
        uint32_t pulse1, pulse2;
        uint8_t triangle;
        uint32_t noise;
        uint8_t dmc;
        int32_t db;
        float accumulated;  // the mix already summed into the sample
        int expected;
    } cases[] = {
        {0, 0, 0, 0, 0, 0, 0, 0},           {15, 0, 0, 0, 0, 0, 0, 4876},
        {15, 15, 0, 0, 0, 0, 0, 8437},      {0, 0, 15, 0, 0, 0, 0, 8371},
        {0, 0, 0, 15, 0, 0, 0, 5887},       {0, 0, 0, 0, 127, 0, 0, 18393},
        {0, 0, 0, 0, 127, -6, 0, 9218},     {15, 15, 15, 15, 127, 0, 0, 32000},
        {15, 15, 15, 15, 127, 8, 0, 32000}, {15, 15, 15, 15, 127, -6, 0, 16422},
        {15, 0, 0, 0, 0, -20, 0, 487},      {0, 0, 0, 0, 0, 0, -1e6f, -32000},
    };
    for (const Case& c : cases) {
        FreshApu();
        SetVolumeDb(c.db);
        HoldLevels(c.pulse1, c.pulse2, c.triangle, c.noise, c.dmc);
        sampleStage.sampleAccumulator = c.accumulated;
        ApuStep(40);
        ASSERT_EQ(sampleCount, 1u);
        EXPECT_NEAR(sampleBuffer[0], c.expected, 2)
            << c.pulse1 << " " << c.pulse2 << " " << int(c.triangle) << " " << c.noise << " "
            << int(c.dmc) << " at " << c.db << " dB";
    }
    SetVolumeDb(0);
}

// One sample per 40 cycles whatever the steps: 744 or 745 a frame of 29781
// cycles, the remainder carried; while muted the count stays and the samples
// after the one in progress are 0; a frame that never ends stops at the
// buffer's end.
TEST(Samples, CountPerFrameMutingAndBufferEnd) {
    FreshApu();
    ApuStep(39);
    ApuStep(0);
    ApuStep(-5);
    EXPECT_EQ(sampleCount, 0u);
    ApuStep(1);
    EXPECT_EQ(sampleCount, 1u);
    FreshApu();
    long total = 0;
    for (int frame = 0; frame < 20; ++frame) {
        sampleCount = 0;
        for (int cycles = 0, step = 2; cycles < 29781; cycles += step) {
            step = std::min((cycles % 7) + 2, 29781 - cycles);
            ApuStep(step);
        }
        EXPECT_TRUE(sampleCount == 744 || sampleCount == 745) << sampleCount;
        for (uint32_t i = 0; i < sampleCount; ++i) ASSERT_EQ(sampleBuffer[i], 0) << i;
        total += sampleCount;
    }
    EXPECT_EQ(total, 20L * 29781 / 40);

    FreshApu();
    SetVolumeDb(-6);
    HoldLevels(15, 15, 15, 15, 127);
    ApuStep(20);
    soundMuted = 1;
    ApuStep(29761);
    EXPECT_EQ(sampleCount, 744u);
    EXPECT_NEAR(sampleBuffer[0], 16422 / 2, 2) << "the sample in progress keeps its half";
    for (uint32_t i = 1; i < sampleCount; ++i) ASSERT_EQ(sampleBuffer[i], 0) << i;
    soundMuted = 0;
    SetVolumeDb(0);
    ApuStep(2000 * 40);
    EXPECT_EQ(sampleCount, kSampleBufferLength);
}

// The volume slider runs from -36 dB (0 %) to +8 dB (100 %) in steps of one
// decibel, a twentieth of a tenfold amplitude; the + and - keys step within it.
TEST(Volume, SliderPercentDecibelsAndKeys) {
    BuildVolumeSteps();
    const struct {
        int32_t position;
        const char* percent;
        int32_t db;
    } cases[] = {{0, "0%", -36}, {1, "2%", -35},  {30, "68%", -6}, {36, "81%", 0},
                 {43, "97%", 7}, {44, "100%", 8}, {-5, "0%", -36}, {90, "100%", 8}};
    for (const auto& c : cases) {
        char text[16];
        FormatVolumePercent(c.position, text, sizeof text);
        EXPECT_EQ(std::string(text), c.percent) << c.position;
        SetVolumeFromSlider(c.position);
        EXPECT_EQ(volumeDb, c.db) << c.position;
        EXPECT_NEAR(volumeFactor, std::pow(10.0, c.db / 20.0), 1e-6) << c.position;
        EXPECT_EQ(VolumeSliderPosition(), std::clamp(c.position, 0, 44));
    }
    SetVolumeDb(7);
    VolumeUp();
    VolumeUp();
    EXPECT_EQ(volumeDb, 8);
    SetVolumeDb(-35);
    VolumeDown();
    VolumeDown();
    EXPECT_EQ(volumeDb, -36);
    SetVolumeDb(0);
}

}  // namespace
}  // namespace morvel::test
