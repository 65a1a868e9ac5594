// The frame counter: its interrupt, the five-step mode and the $4017 write.
#include <gtest/gtest.h>

#include "apu_test_support.h"

namespace morvel::test {
namespace {

bool FrameFlag() {
    return apu.frameIrqFlag != 0;
}

// Cycles after the $4017 write at which the flag first appears, and then again.
TEST(FrameInterrupt, FirstAfter29830ThenEvery29829) {
    FreshApu();
    Write(0x4017, 0x00);
    RunCycles(29829);
    EXPECT_FALSE(FrameFlag());
    EXPECT_EQ(cpu.irqLine, 1u);
    RunCycles(1);
    EXPECT_TRUE(FrameFlag());
    EXPECT_EQ(cpu.irqLine, 0u);
    EXPECT_EQ(Status() & 0x40, 0x40);
    EXPECT_FALSE(FrameFlag()) << "reading $4015 clears the flag";
    EXPECT_EQ(cpu.irqLine, 1u) << "and releases the line";
    for (int period = 0; period < 3; ++period) {
        RunCycles(29828);
        EXPECT_FALSE(FrameFlag()) << period;
        RunCycles(1);
        EXPECT_TRUE(FrameFlag()) << period;
        Status();
    }
}

TEST(FrameInterrupt, InhibitAndModes) {
    struct Case {
        uint8_t mode;
        bool raises;
    } cases[] = {{0x00, true}, {0x40, false}, {0x80, false}, {0xC0, false}};
    for (const Case& c : cases) {
        FreshApu();
        Write(0x4017, c.mode);
        RunCycles(100000);
        EXPECT_EQ(FrameFlag(), c.raises) << "mode " << int(c.mode);
        EXPECT_EQ(cpu.irqLine == 0, c.raises) << "mode " << int(c.mode);
    }
}

// Bit 6 clears a pending flag but leaves the line to whoever releases it.
TEST(FrameInterrupt, InhibitClearsFlagButNotLine) {
    FreshApu();
    Write(0x4017, 0x00);
    RunCycles(29830);
    ASSERT_TRUE(FrameFlag());
    Write(0x4017, 0x00);
    EXPECT_TRUE(FrameFlag()) << "$00 keeps the flag";
    Write(0x4017, 0x80);
    EXPECT_TRUE(FrameFlag()) << "$80 keeps the flag";
    Write(0x4017, 0x40);
    EXPECT_FALSE(FrameFlag());
    EXPECT_EQ(cpu.irqLine, 0u);
    EXPECT_EQ(Status() & 0x40, 0);
    EXPECT_EQ(cpu.irqLine, 1u);
}

// Reading $4015 releases the line even when another source pulled it.
TEST(FrameInterrupt, StatusReadReleasesAnyAssertion) {
    FreshApu();
    cpu.irqLine = 0;
    Status();
    EXPECT_EQ(cpu.irqLine, 1u);
}

// Counts length clocks of a halted-free pulse over the cycles after a $4017 write.
struct LengthClock {
    long cycles;
    uint32_t length;
};

void ExpectLengthAt(uint8_t mode, uint32_t startLength, const std::vector<LengthClock>& points) {
    FreshApu();
    Write(0x4015, 0x01);
    Write(0x4003, 0x08);  // 254
    Write(0x4017, mode);
    EXPECT_EQ(apu.pulse1.length, startLength) << "right after the write, mode " << int(mode);
    long done = 0;
    for (const LengthClock& p : points) {
        RunCycles(p.cycles - done);
        done = p.cycles;
        EXPECT_EQ(apu.pulse1.length, p.length) << "mode " << int(mode) << " after " << p.cycles;
    }
}

// Four-step: half frames at cycles 14914 and 29830 after the write, then every 29829.
TEST(FrameSequencer, FourStepHalfFrames) {
    ExpectLengthAt(0x00, 254,
                   {{14913, 254},
                    {14914, 253},
                    {29829, 253},
                    {29830, 252},
                    {29830 + 14912, 252},
                    {29830 + 14913, 251},
                    {29830 + 29828, 251},
                    {29830 + 29829, 250}});
}

// Five-step: an immediate half frame, then at 14914 and 37282 after the write,
// and the sequence is 37281 cycles long from then on.
TEST(FrameSequencer, FiveStepHalfFramesAndLength) {
    ExpectLengthAt(0x80, 253,
                   {{14913, 253},
                    {14914, 252},
                    {37281, 252},
                    {37282, 251},
                    {37282 + 14912, 251},
                    {37282 + 14913, 250},
                    {37282 + 37280, 250},
                    {37282 + 37281, 249},
                    {37282 + 2 * 37281, 247}});
}

// Quarter frames clock the envelope: four per sequence in four-step mode, four
// per (longer) sequence in five-step mode.
TEST(FrameSequencer, QuarterFramesPerSequence) {
    struct Case {
        uint8_t mode;
        long length;
    } cases[] = {{0x00, 29829}, {0x80, 37281}};
    for (const Case& c : cases) {
        FreshApu();
        Write(0x400C, 0x0F);  // envelope period 15: the divider counts quarter frames
        Write(0x4017, c.mode);
        apu.noise.env.start = 0;
        apu.noise.env.divider = 100;
        RunCycles(c.length * 10 + 1);
        uint32_t quarters = 100 - apu.noise.env.divider;
        EXPECT_EQ(quarters, 40u) << "mode " << int(c.mode);
    }
}

TEST(FrameCounterWrite, ResetsSequenceAndAppliesMode) {
    FreshApu();
    RunCycles(20000);
    Write(0x4017, 0x00);
    EXPECT_EQ(apu.frameCycle, 0u);
    EXPECT_EQ(apu.frameStep, 0u);
    EXPECT_EQ(apu.last4017, 0x00);
    Write(0x4017, 0xC0);
    EXPECT_EQ(apu.prev4017, 0x00);
    EXPECT_EQ(apu.last4017, 0xC0);
    EXPECT_EQ(apu.fiveStepMode, 0x80u);
    EXPECT_EQ(apu.frameIrqInhibit, 1);
}

// The reset button silences the channels, restarts the frame counter and
// applies the last $4017 value again; periods and envelopes stay.
TEST(ApuResetButton, SilencesAndKeepsMode) {
    FreshApu();
    Write(0x4015, 0x1F);
    Write(0x4002, 0x34);
    Write(0x4003, 0x08);
    Write(0x400F, 0x08);
    Write(0x4013, 0x10);
    Write(0x4015, 0x1F);
    Write(0x4017, 0xC0);
    RunCycles(5000);
    ApuReset();
    EXPECT_EQ(Status() & 0x1F, 0);
    EXPECT_EQ(apu.pulse1.enabled, 0u);
    EXPECT_EQ(apu.frameCycle, 0u);
    EXPECT_EQ(apu.fiveStepMode, 0x80u);
    EXPECT_EQ(apu.frameIrqInhibit, 1);
    EXPECT_EQ(apu.pulse1.period, 0x034);
    Write(0x4003, 0x08);
    EXPECT_EQ(apu.pulse1.length, 0u) << "channels stay disabled after reset";

    FreshApu();
    Write(0x4017, 0x00);
    RunCycles(29830);
    ASSERT_TRUE(FrameFlag());
    ApuReset();
    EXPECT_FALSE(FrameFlag());
    EXPECT_EQ(apu.fiveStepMode, 0u);
    RunCycles(29830);
    EXPECT_TRUE(FrameFlag()) << "four-step mode with the interrupt allowed, as last written";
}

}  // namespace
}  // namespace morvel::test
