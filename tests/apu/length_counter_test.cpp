// Length counters and the $4015 status register.
#include <gtest/gtest.h>

#include "apu_test_support.h"

namespace morvel::test {
namespace {

struct ChannelRegs {
    const char* name;
    int32_t control;  // register holding the halt bit
    uint8_t haltBit;
    int32_t lengthReg;
    uint8_t enableBit;
};

const ChannelRegs kChannels[] = {
    {"pulse 1", 0x4000, 0x20, 0x4003, 0x01},
    {"pulse 2", 0x4004, 0x20, 0x4007, 0x02},
    {"triangle", 0x4008, 0x80, 0x400B, 0x04},
    {"noise", 0x400C, 0x20, 0x400F, 0x08},
};

// Load index = bit 3 * 16 + bits 7-4 of the write; values from the console's table.
TEST(LengthCounter, LoadsEveryTableEntryAndReportsInStatus) {
    const uint8_t expected[32] = {10, 20,  40, 80, 160, 60,  14, 26, 12, 24, 48,
                                  96, 192, 72, 16, 32,  254, 2,  4,  6,  8,  10,
                                  12, 14,  16, 18, 20,  22,  24, 26, 28, 30};
    for (const ChannelRegs& ch : kChannels) {
        for (int index = 0; index < 32; ++index) {
            FreshApu();
            Write(0x4015, ch.enableBit);
            Write(ch.control, ch.haltBit);  // halted: the count stays put
            uint8_t value = static_cast<uint8_t>(((index & 15) << 4) | ((index >> 4) << 3));
            Write(ch.lengthReg, value);
            // Count the half-frame clocks until the counter reaches 0.
            Write(ch.control, 0);
            int clocks = 0;
            while ((Status() & ch.enableBit) && clocks < 300) {
                HalfFrameClock();
                ++clocks;
            }
            EXPECT_EQ(clocks, expected[index]) << ch.name << " index " << index;
        }
    }
}

TEST(LengthCounter, StatusDisableClearsAndBlocksReload) {
    for (const ChannelRegs& ch : kChannels) {
        FreshApu();
        Write(0x4015, ch.enableBit);
        Write(ch.lengthReg, 0x08);  // 254
        EXPECT_EQ(Status() & 0x1F, ch.enableBit) << ch.name;
        Write(0x4015, 0);
        EXPECT_EQ(Status() & 0x1F, 0) << ch.name << ": disabling clears the counter";
        Write(ch.lengthReg, 0x08);
        EXPECT_EQ(Status() & 0x1F, 0) << ch.name << ": a disabled channel ignores the load";
    }
}

TEST(LengthCounter, HaltSuspendsClocking) {
    for (const ChannelRegs& ch : kChannels) {
        FreshApu();
        Write(0x4015, ch.enableBit);
        Write(ch.control, ch.haltBit);
        Write(ch.lengthReg, 0x18);  // 2
        for (int i = 0; i < 5; ++i) HalfFrameClock();
        EXPECT_EQ(Status() & ch.enableBit, ch.enableBit) << ch.name;
        Write(ch.control, 0);
        HalfFrameClock();
        EXPECT_EQ(Status() & ch.enableBit, ch.enableBit) << ch.name;
        HalfFrameClock();
        EXPECT_EQ(Status() & ch.enableBit, 0) << ch.name;
    }
}

TEST(LengthCounter, QuarterFrameLeavesLengthAlone) {
    FreshApu();
    Write(0x4015, 0x01);
    Write(0x4003, 0x18);  // 2
    for (int i = 0; i < 10; ++i) QuarterFrameClock();
    EXPECT_EQ(apu.pulse1.length, 2u);
}

// A write to $4003 while the pulse is disabled still sets the period's high
// bits and restarts envelope and duty position.
TEST(LengthCounter, DisabledPulseWriteStillRestartsEnvelopeAndDuty) {
    FreshApu();
    apu.pulse1.step = 5;
    apu.pulse1.env.start = 0;
    Write(0x4003, 0xFD);
    EXPECT_EQ(apu.pulse1.length, 0u);
    EXPECT_EQ(apu.pulse1.period, 0x500);
    EXPECT_EQ(apu.pulse1.step, 0u);
    EXPECT_EQ(apu.pulse1.env.start, 1u);
}

}  // namespace
}  // namespace morvel::test
