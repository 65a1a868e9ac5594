// The volume in decibels: slider positions, the popup's percentage and the
// + and - keys.
#include "apu/volume_steps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace morvel::test {
namespace {

class Volume : public ::testing::Test {
   protected:
    void SetUp() override {
        BuildVolumeSteps();
        saved_ = volumeDb;
    }
    void TearDown() override { SetVolumeDb(saved_); }
    int32_t saved_ = 0;
};

std::string Percent(int32_t position) {
    char text[16];
    FormatVolumePercent(position, text, sizeof text);
    return text;
}

// One decibel is a twentieth of a tenfold amplitude.
double Gain(int32_t db) {
    return std::pow(10.0, db / 20.0);
}

TEST_F(Volume, SliderPositionsPercentAndDecibels) {
    const struct {
        int32_t position;
        const char* percent;
        int32_t db;
    } cases[] = {
        {0, "0%", -36},  {30, "68%", -6},  // the default
        {44, "100%", 8}, {1, "2%", -35},  {36, "81%", 0}, {43, "97%", 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Percent(c.position), c.percent) << c.position;
        SetVolumeFromSlider(c.position);
        EXPECT_EQ(volumeDb, c.db) << c.position;
        EXPECT_NEAR(volumeFactor, Gain(c.db), 1e-6 * Gain(c.db)) << c.position;
        EXPECT_EQ(VolumeSliderPosition(), c.position);
    }
    // The slider never leaves its range.
    SetVolumeFromSlider(-5);
    EXPECT_EQ(volumeDb, -36);
    SetVolumeFromSlider(90);
    EXPECT_EQ(volumeDb, 8);
    EXPECT_EQ(Percent(90), "100%");
}

TEST_F(Volume, FactorAtKnownLevels) {
    SetVolumeDb(0);
    EXPECT_DOUBLE_EQ(volumeFactor, 1.0);
    SetVolumeDb(-20);
    EXPECT_NEAR(volumeFactor, 0.1, 1e-6);
    SetVolumeDb(-6);
    EXPECT_NEAR(volumeFactor, 0.501187, 1e-6);
}

TEST_F(Volume, KeysStepOneDecibelWithinTheRange) {
    SetVolumeDb(7);
    VolumeUp();
    EXPECT_EQ(volumeDb, 8);
    VolumeUp();
    EXPECT_EQ(volumeDb, 8) << "up at +8 does nothing";
    EXPECT_NEAR(volumeFactor, Gain(8), 1e-6);
    SetVolumeDb(-35);
    VolumeDown();
    EXPECT_EQ(volumeDb, -36);
    EXPECT_NEAR(volumeFactor, Gain(-36), 1e-9);
    VolumeDown();
    EXPECT_EQ(volumeDb, -36) << "down at -36 does nothing";
    for (int i = 0; i < 44; ++i) VolumeUp();
    EXPECT_EQ(volumeDb, 8);
    EXPECT_EQ(VolumeSliderPosition(), 44);
}

TEST_F(Volume, StepTableHoldsEveryDecibel) {
    for (int p = 0; p < kVolumeSteps; ++p) EXPECT_EQ(volumeDbTable[p], p - 36.0);
    EXPECT_EQ(kVolumeSteps, 45);
}

}  // namespace
}  // namespace morvel::test
