// Mixing and the making of samples.
#include <gtest/gtest.h>

#include <cmath>

#include "apu_test_support.h"

namespace morvel::test {
namespace {

// Holds every channel at its loudest level for a while: both pulses and the
// noise at constant volume 15, the triangle at 15, the DMC at 127, with
// timers long enough that nothing moves during a few hundred cycles.
void HoldFullScale() {
    Write(0x4015, 0x0F);
    for (PulseChannel* pulse : {&apu.pulse1, &apu.pulse2}) {
        pulse->env.constant = 0x10;
        pulse->env.volume = 15;
        pulse->length = 100;
        pulse->output = 1;
        pulse->period = 0x7FF;
        pulse->timer = 0x7FF;
    }
    apu.tri.output = 15;
    apu.tri.linear = 0;
    apu.noise.env.constant = 0x10;
    apu.noise.env.volume = 15;
    apu.noise.length = 100;
    apu.noise.shift = 0x0002;
    apu.noise.timer = 4000;
    apu.dmc.levelOut = 127;
    apu.dmc.rate = 0;
}

TEST(MixerTables, EndsAndFullScale) {
    BuildMixerTables();
    EXPECT_EQ(pulseMixTable[0], 0.0f);
    EXPECT_EQ(tndMixTable[0], 0.0f);
    for (int n = 1; n < 32; ++n) EXPECT_GT(pulseMixTable[n], pulseMixTable[n - 1]) << n;
    for (int n = 1; n < 204; ++n) EXPECT_GT(tndMixTable[n], tndMixTable[n - 1]) << n;
    // Everything at full level adds up to (almost exactly) 1.
    EXPECT_NEAR(pulseMixTable[30] + tndMixTable[202], 1.0, 0.001);
    // One pulse at 15 alone.
    EXPECT_NEAR(pulseMixTable[15], 0.1488, 0.0005);
}

TEST(Samples, OnePerFortyCycles) {
    FreshApu();
    ApuStep(39);
    EXPECT_EQ(sampleCount, 0u);
    EXPECT_EQ(sampleStage.sampleCycleCount, 39u);
    ApuStep(1);
    EXPECT_EQ(sampleCount, 1u);
    ApuStep(0);
    ApuStep(-5);
    EXPECT_EQ(sampleStage.sampleCycleCount, 0u);
    ApuStep(400);
    EXPECT_EQ(sampleCount, 11u);
}

// A frame of 29781 CPU cycles (run in instruction-sized steps) gives 744 or
// 745 samples, the remainder carrying into the next frame.
TEST(Samples, CountPerFrame) {
    FreshApu();
    long total = 0;
    for (int frame = 0; frame < 20; ++frame) {
        sampleCount = 0;
        for (int cycles = 0; cycles < 29781;) {
            int step = (cycles % 7) + 2;
            if (cycles + step > 29781) step = 29781 - cycles;
            ApuStep(step);
            cycles += step;
        }
        EXPECT_TRUE(sampleCount == 744 || sampleCount == 745) << sampleCount;
        total += sampleCount;
    }
    EXPECT_EQ(total, 20L * 29781 / 40);
}

TEST(Samples, SilenceIsZero) {
    FreshApu();
    ApuStep(29781);
    ASSERT_EQ(sampleCount, 744u);
    for (uint32_t i = 0; i < sampleCount; ++i) ASSERT_EQ(sampleBuffer[i], 0) << i;
}

// Full scale times the volume factor, clamped at 32000.
TEST(Samples, VolumeAndClamp) {
    struct Case {
        int32_t db;
        int expected;
    } cases[] = {
        {8, 32000},
        {0, 32000},
        {-6, static_cast<int>(32767 * std::pow(10.0, -6 / 20.0))},
        {-20, static_cast<int>(32767 * std::pow(10.0, -20 / 20.0))},
        {-36, static_cast<int>(32767 * std::pow(10.0, -36 / 20.0))},
    };
    for (const Case& c : cases) {
        FreshApu();
        SetVolumeDb(c.db);
        HoldFullScale();
        ApuStep(80);
        ASSERT_EQ(sampleCount, 2u);
        EXPECT_NEAR(sampleBuffer[1], c.expected, 4) << c.db << " dB";
    }
    SetVolumeDb(99);
    EXPECT_EQ(volumeDb, 8);
    SetVolumeDb(-99);
    EXPECT_EQ(volumeDb, -36);
    SetVolumeDb(0);
}

// While muted every frame still yields its full count of samples, all 0
// after the one in progress.
TEST(Samples, MutedKeepsTheCount) {
    FreshApu();
    SetVolumeDb(-6);
    HoldFullScale();
    ApuStep(20);
    soundMuted = 1;
    ApuStep(29761);
    EXPECT_EQ(sampleCount, 744u);
    EXPECT_GT(sampleBuffer[0], 7000) << "the sample in progress keeps what it had";
    EXPECT_LT(sampleBuffer[0], 9000);
    for (uint32_t i = 1; i < sampleCount; ++i) ASSERT_EQ(sampleBuffer[i], 0) << i;
    soundMuted = 0;
}

// A frame that never ends fills the buffer and then drops samples.
TEST(Samples, BufferNeverOverflows) {
    FreshApu();
    ApuStep(2000 * 40);
    EXPECT_EQ(sampleCount, kSampleBufferLength);
}

}  // namespace
}  // namespace morvel::test
