// What the outside APU cartridges and the tone cartridge do not hear: the
// envelope's decay, the sweep's targets and muting, the long noise sequence,
// the frame sequencer's clock points, DMC fetches and its output level.
#include <gtest/gtest.h>

#include "apu_test_support.h"

namespace morvel::test {
namespace {

// Pulse 1's level n quarter frames after a $4003 write: the start sets the
// decay to 15, each step lasts (divider period + 1) quarter frames, at 0 it
// stays or with the loop bit starts again at 15; the constant bit plays bits 3-0.
TEST(Envelope, DecayLoopAndConstantVolume) {
    const struct {
        uint8_t control;
        int quarters;
        uint32_t level;
    } cases[] = {{0x00, 1, 15}, {0x00, 2, 14}, {0x00, 16, 0}, {0x00, 17, 0}, {0x20, 17, 15},
                 {0x03, 5, 14}, {0x03, 8, 14}, {0x03, 9, 13}, {0x1A, 3, 10}, {0x3A, 40, 10}};
    for (const auto& c : cases) {
        FreshApu();
        Write(0x4015, 0x01);
        Write(0x4000, c.control);
        Write(0x4002, 0x00);
        Write(0x4003, 0x09);  // period $100, length 254
        apu.pulse1.output = 1;
        for (int i = 0; i < c.quarters; ++i) QuarterFrameClock();
        EXPECT_EQ(PulseOutput(apu.pulse1), c.level) << int(c.control) << " after " << c.quarters;
    }
}

// One half-frame clock with the sweep divider expiring.
TEST(Sweep, TargetsAndMuting) {
    const struct {
        const char* what;
        int pulse;
        uint16_t period;
        uint8_t sweepReg;
        uint16_t periodAfter;
        bool muted;
    } cases[] = {
        {"adds period >> shift", 1, 0x100, 0x81, 0x180, false},
        {"pulse 1 subtracts", 1, 0x100, 0x89, 0x080, false},
        {"pulse 2 subtracts one more", 2, 0x100, 0x89, 0x07F, false},
        {"period below 8 mutes", 1, 0x007, 0x81, 0x007, true},
        {"target above $7FF mutes", 1, 0x600, 0x81, 0x600, true},
        {"target $7FF still plays", 1, 0x555, 0x81, 0x7FF, false},
        {"disabled sweep never moves", 2, 0x100, 0x01, 0x100, false},
    };
    for (const auto& c : cases) {
        FreshApu();
        const int32_t base = c.pulse == 1 ? 0x4000 : 0x4004;
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

// The noise register repeats after 32767 shifts in the long mode and, from
// its power-on value, after 93 in the short mode.
TEST(Noise, SequenceLengths) {
    for (const auto& [mode, length] : {std::pair{0x00u, 32767}, std::pair{0x80u, 93}}) {
        FreshApu();
        apu.noise.mode = mode;
        const uint16_t start = apu.noise.shift;
        int shifts = 0;
        do {
            apu.noise.timer = 0;
            ApuClockTimers();
            ++shifts;
        } while (apu.noise.shift != start && shifts < 40000);
        EXPECT_EQ(shifts, length) << "mode " << mode;
    }
}

// Pulse 1's length counter (254 at the start) and the frame interrupt flag at
// CPU cycles after a $4017 write. Four steps: half frames at 14914 and 29830,
// the flag at 29830, then a sequence of 29829 cycles. Five steps: a half frame
// at the write, then at 14914 and 37282, then a sequence of 37281, no flag.
TEST(FrameSequencer, HalfFramesAndInterruptAfterTheWrite) {
    const struct {
        uint8_t mode;
        long cycles;
        uint32_t length;
        bool flag;
    } cases[] = {
        {0x00, 0, 254, false},      {0x00, 14913, 254, false}, {0x00, 14914, 253, false},
        {0x00, 29829, 253, false},  {0x00, 29830, 252, true},  {0x00, 44742, 252, true},
        {0x00, 44743, 251, true},   {0x00, 59658, 251, true},  {0x00, 59659, 250, true},
        {0x80, 0, 253, false},      {0x80, 14913, 253, false}, {0x80, 14914, 252, false},
        {0x80, 37281, 252, false},  {0x80, 37282, 251, false}, {0x80, 52195, 250, false},
        {0x80, 74562, 250, false},  {0x80, 74563, 249, false}, {0x80, 111844, 247, false},
        {0x40, 100000, 248, false},
    };
    long done = 0;
    for (const auto& c : cases) {
        if (c.cycles == 0 || c.mode == 0x40) {
            FreshApu();
            Write(0x4015, 0x01);
            Write(0x4003, 0x08);
            Write(0x4017, c.mode);
            done = 0;
        }
        RunCycles(c.cycles - done);
        done = c.cycles;
        EXPECT_EQ(apu.pulse1.length, c.length) << int(c.mode) << " after " << c.cycles;
        EXPECT_EQ(apu.frameIrqFlag != 0, c.flag) << int(c.mode) << " after " << c.cycles;
        EXPECT_EQ(cpu.irqLine == 0, c.flag) << int(c.mode) << " after " << c.cycles;
    }
}

// Fetches of a sample with every byte taken at once by the output unit: bytes
// left, next address and the interrupt at the end; the address wraps from
// $FFFF to $8000.
TEST(Dmc, FetchesLengthLoopAndAddressWrap) {
    const struct {
        const char* what;
        uint8_t control, start, length;
        int fetches;
        uint32_t remaining, address;
        bool interrupt;
    } cases[] = {
        {"a start fetches the first byte", 0x00, 0x01, 0x01, 0, 16, 0xC041, false},
        {"the end raises the interrupt", 0x80, 0x00, 0x01, 16, 0, 0xC011, true},
        {"no interrupt with bit 7 clear", 0x00, 0x00, 0x01, 16, 0, 0xC011, false},
        {"a loop starts over", 0xC0, 0x00, 0x01, 16, 17, 0xC000, false},
        {"wrap", 0x00, 0xFF, 0x05, 63, 17, 0x8000, false},
        {"after the wrap", 0x00, 0xFF, 0x05, 64, 16, 0x8001, false},
    };
    for (const auto& c : cases) {
        FreshApu();
        Write(0x4010, c.control);
        Write(0x4012, c.start);
        Write(0x4013, c.length);
        Write(0x4015, 0x10);
        for (int i = 0; i < c.fetches; ++i) {
            apu.dmc.buffer = 0;
            DmcFetch();
        }
        EXPECT_EQ(apu.dmc.remaining, c.remaining) << c.what;
        EXPECT_EQ(apu.dmc.address, c.address) << c.what;
        EXPECT_EQ(cpu.irqLine == 0, c.interrupt) << c.what;
        EXPECT_EQ((Status() & 0x80) != 0, c.interrupt) << c.what;
    }
}

// Delta bits move the level by 2 within 0-127, least significant bit first.
TEST(Dmc, OutputLevelSteps) {
    const struct {
        uint8_t level, byte, after;
    } cases[] = {{0x40, 0xFF, 0x50}, {0x7E, 0xFF, 0x7E}, {0x7D, 0xFF, 0x7F},
                 {0x03, 0xF0, 0x09}, {0x40, 0x00, 0x40}, {0x40, 0x0F, 0x40}};
    for (const auto& c : cases) {
        FreshApu();
        flatMemory[0xC000] = c.byte;
        Write(0x4010, 0x0F);  // 54 cycles per step
        Write(0x4011, c.level);
        Write(0x4012, 0x00);
        Write(0x4013, 0x00);
        Write(0x4015, 0x10);
        for (int i = 0; i < 8 * 54; ++i) ApuClockTimers();
        EXPECT_EQ(apu.dmc.levelOut, c.after) << int(c.level) << " " << int(c.byte);
    }
}

}  // namespace
}  // namespace morvel::test
