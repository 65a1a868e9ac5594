// Channel units and timers: envelopes, sweeps, the triangle, the noise
// register and the rate of every timer.
#include <gtest/gtest.h>

#include "apu_test_support.h"

namespace morvel::test {
namespace {

// With a divider period of 0 the decay falls by one per quarter frame; with
// the loop bit it starts again at 15, without it stays at 0.
TEST(Envelope, DecayAndLoop) {
    struct Case {
        uint8_t control;
        uint8_t afterSeventeen;
    } cases[] = {{0x00, 0}, {0x20, 15}};
    for (const Case& c : cases) {
        FreshApu();
        Write(0x4015, 0x08);
        Write(0x400C, c.control);
        Write(0x400F, 0x08);
        QuarterFrameClock();  // the start: decay 15
        EXPECT_EQ(apu.noise.env.decay, 15);
        for (int i = 0; i < 15; ++i) QuarterFrameClock();
        EXPECT_EQ(apu.noise.env.decay, 0);
        QuarterFrameClock();
        EXPECT_EQ(apu.noise.env.decay, c.afterSeventeen) << "control " << int(c.control);
    }
}

// The divider period n makes each decay step last n + 1 quarter frames.
TEST(Envelope, DividerPeriod) {
    FreshApu();
    Write(0x4000, 0x03);
    Write(0x4003, 0x00);
    QuarterFrameClock();
    for (int i = 0; i < 4; ++i) QuarterFrameClock();
    EXPECT_EQ(apu.pulse1.env.decay, 14);
    for (int i = 0; i < 4; ++i) QuarterFrameClock();
    EXPECT_EQ(apu.pulse1.env.decay, 13);
}

TEST(Envelope, ConstantVolumeIsWhatThePulsePlays) {
    FreshApu();
    Write(0x4015, 0x01);
    Write(0x4000, 0x1A);
    Write(0x4003, 0x08);
    apu.pulse1.output = 1;
    EXPECT_EQ(PulseOutput(apu.pulse1), 10u);
    Write(0x4000, 0x0A);
    QuarterFrameClock();
    EXPECT_EQ(PulseOutput(apu.pulse1), 15u) << "the decay level once the constant bit is clear";
}

// One half-frame clock with the sweep divider expiring.
struct SweepCase {
    const char* what;
    int pulse;
    uint16_t period;
    uint8_t sweepReg;
    uint16_t periodAfter;
    bool muted;
};

TEST(Sweep, TargetsAndMuting) {
    const SweepCase cases[] = {
        {"adds period >> shift", 1, 0x100, 0x81, 0x180, false},
        {"pulse 1 subtracts", 1, 0x100, 0x89, 0x080, false},
        {"pulse 2 subtracts one more", 2, 0x100, 0x89, 0x07F, false},
        {"period below 8 mutes", 1, 0x007, 0x81, 0x007, true},
        {"target above $7FF mutes", 1, 0x600, 0x81, 0x600, true},
        {"target $7FF still plays", 1, 0x555, 0x81, 0x7FF, false},
        {"disabled sweep never mutes", 1, 0x007, 0x01, 0x007, false},
        {"disabled sweep never moves", 2, 0x100, 0x01, 0x100, false},
    };
    for (const SweepCase& c : cases) {
        FreshApu();
        int32_t base = c.pulse == 1 ? 0x4000 : 0x4004;
        PulseChannel& pulse = c.pulse == 1 ? apu.pulse1 : apu.pulse2;
        Write(0x4015, 0x03);
        Write(base, 0x1F);
        Write(base + 2, static_cast<uint8_t>(c.period));
        Write(base + 3, static_cast<uint8_t>(0x08 | (c.period >> 8)));
        Write(base + 1, c.sweepReg);  // reloads the divider (period 0) at once
        pulse.output = 1;
        HalfFrameClock();
        EXPECT_EQ(pulse.period, c.periodAfter) << c.what;
        EXPECT_EQ(PulseOutput(pulse) == 0, c.muted) << c.what;
    }
}

// The muting comes when the divider expires and lasts until the next sweep
// clock: with a divider period of 1, every second half frame.
TEST(Sweep, MutingLastsOneHalfFrame) {
    FreshApu();
    Write(0x4015, 0x01);
    Write(0x4000, 0x1F);
    Write(0x4002, 0x05);
    Write(0x4003, 0x08);
    Write(0x4001, 0x91);  // enabled, divider period 1, shift 1
    apu.pulse1.output = 1;
    const uint32_t expected[] = {15, 0, 15, 0, 15};
    for (uint32_t level : expected) {
        HalfFrameClock();
        EXPECT_EQ(PulseOutput(apu.pulse1), level);
    }
}

// One shift of the noise register: feedback from bit 0 XOR bit 1 (or bit 6 in
// the short mode) enters at bit 14.
TEST(Noise, FeedbackBits) {
    struct Case {
        uint16_t before;
        uint32_t mode;
        uint16_t after;
    } cases[] = {
        {0x0001, 0x00, 0x4000}, {0x0001, 0x80, 0x4000}, {0x0003, 0x00, 0x0001},
        {0x0003, 0x80, 0x4001}, {0x0041, 0x00, 0x4020}, {0x0041, 0x80, 0x0020},
        {0x7FFF, 0x00, 0x3FFF}, {0x4000, 0x00, 0x2000},
    };
    for (const auto& c : cases) {
        FreshApu();
        apu.noise.shift = c.before;
        apu.noise.mode = c.mode;
        apu.noise.timer = 0;
        ApuClockTimers();
        EXPECT_EQ(apu.noise.shift, c.after) << std::hex << c.before << " mode " << c.mode;
    }
}

// The long mode repeats after 32767 shifts; the short mode from the power-on
// value after 93.
TEST(Noise, SequenceLengths) {
    struct Case {
        uint32_t mode;
        int length;
    } cases[] = {{0x00, 32767}, {0x80, 93}};
    for (const auto& c : cases) {
        FreshApu();
        apu.noise.mode = c.mode;
        uint16_t start = apu.noise.shift;
        int shifts = 0;
        do {
            apu.noise.timer = 0;
            ApuClockTimers();
            ++shifts;
        } while (apu.noise.shift != start && shifts < 40000);
        EXPECT_EQ(shifts, c.length) << "mode " << c.mode;
    }
}

// A triangle with its linear counter at 0 keeps its last level.
TEST(Triangle, HoldsLevelWhenLinearCounterEnds) {
    FreshApu();
    Write(0x4015, 0x04);
    Write(0x4008, 0x02);  // linear counter 2
    Write(0x400A, 0x10);
    Write(0x400B, 0x08);
    QuarterFrameClock();  // reload: 2
    RunCycles(17 * 5);
    uint8_t level = apu.tri.output;
    EXPECT_NE(level, 15) << "the triangle moved";
    QuarterFrameClock();
    QuarterFrameClock();
    EXPECT_EQ(apu.tri.linear, 0u);
    uint32_t step = apu.tri.step;
    for (int i = 0; i < 1000; ++i) ApuClockTimers();
    EXPECT_EQ(apu.tri.step, step);
    EXPECT_EQ(apu.tri.output, level);
    EXPECT_EQ(apu.tri.output, triangleSequence[step - 1]);
    EXPECT_NE(apu.tri.output, 0) << "no drop to 0";
}

// Cycles between two successive moves of each channel's sequencer, measured
// by running the timers alone. Expected values are the console's: a pulse step
// every 2 (P + 1) cycles, a triangle step every P + 1, the noise and DMC
// table periods in CPU cycles.
long CyclesBetweenChanges(uint32_t (*observe)()) {
    uint32_t last = observe();
    long first = -1;
    for (long cycle = 1; cycle < 100000; ++cycle) {
        ApuClockTimers();
        uint32_t now = observe();
        if (now == last) continue;
        last = now;
        if (first < 0)
            first = cycle;
        else
            return cycle - first;
    }
    return -1;
}

TEST(Timers, PulsePeriods) {
    for (uint16_t period : {0, 1, 8, 100, 0x7FF}) {
        FreshApu();
        Write(0x4002, static_cast<uint8_t>(period));
        Write(0x4003, static_cast<uint8_t>(period >> 8));
        EXPECT_EQ(CyclesBetweenChanges([] { return apu.pulse1.step; }), 2 * (period + 1)) << period;
    }
}

TEST(Timers, TrianglePeriods) {
    for (uint16_t period : {2, 10, 50, 0x7FF}) {
        FreshApu();
        Write(0x4015, 0x04);
        Write(0x4008, 0x7F);
        Write(0x400A, static_cast<uint8_t>(period));
        Write(0x400B, static_cast<uint8_t>(0x08 | (period >> 8)));
        QuarterFrameClock();
        EXPECT_EQ(CyclesBetweenChanges([] { return apu.tri.step; }), period + 1) << period;
    }
}

TEST(Timers, NoisePeriods) {
    const long expected[16] = {4,   8,   16,  32,  64,  96,   128,  160,
                               202, 254, 380, 508, 762, 1016, 2034, 4068};
    for (int index = 0; index < 16; ++index) {
        FreshApu();
        Write(0x400E, static_cast<uint8_t>(index));
        EXPECT_EQ(CyclesBetweenChanges([] { return uint32_t{apu.noise.shift}; }), expected[index])
            << index;
    }
}

TEST(Timers, DmcRates) {
    const long expected[16] = {428, 380, 340, 320, 286, 254, 226, 214,
                               190, 160, 142, 128, 106, 84,  72,  54};
    for (int index = 0; index < 16; ++index) {
        FreshApu();
        Write(0x4010, static_cast<uint8_t>(index));
        EXPECT_EQ(CyclesBetweenChanges([] { return apu.dmc.bitsLeft; }), expected[index]) << index;
    }
}

}  // namespace
}  // namespace morvel::test
