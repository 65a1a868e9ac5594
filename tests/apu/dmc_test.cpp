// The delta-modulation channel: fetches, loop, interrupt and address wrap.
#include <gtest/gtest.h>

#include "apu_test_support.h"

namespace morvel::test {
namespace {

// Fills the sample memory with distinct non-zero bytes.
void FillSamples() {
    for (uint32_t a = 0x8000; a <= 0xFFFF; ++a)
        flatMemory[a] = static_cast<uint8_t>((a & 0x7F) | 0x80);
}

// n fetches, each byte taken by the output unit at once.
void Fetch(int n) {
    for (int i = 0; i < n; ++i) {
        DmcFetch();
        apu.dmc.buffer = 0;
    }
}

TEST(Dmc, StartLoadsFirstByteAndLength) {
    FreshApu();
    FillSamples();
    Write(0x4012, 0x01);  // $C040
    Write(0x4013, 0x01);  // 17 bytes
    Write(0x4015, 0x10);
    EXPECT_EQ(apu.dmc.shift, flatMemory[0xC040]);
    EXPECT_EQ(apu.dmc.address, 0xC041u);
    EXPECT_EQ(apu.dmc.remaining, 16u);
    EXPECT_EQ(Status() & 0x10, 0x10);
}

TEST(Dmc, RestartOnlyAfterTheSampleEnded) {
    FreshApu();
    FillSamples();
    Write(0x4012, 0x00);
    Write(0x4013, 0x01);
    Write(0x4015, 0x10);
    Fetch(5);
    Write(0x4013, 0x02);  // a new length does not touch the running sample
    Write(0x4015, 0x10);
    EXPECT_EQ(apu.dmc.remaining, 11u) << "still playing: nothing changes";
    Fetch(11);
    EXPECT_EQ(Status() & 0x10, 0);
    Write(0x4015, 0x10);
    EXPECT_EQ(apu.dmc.remaining, 32u) << "ended: restarts with the new length, first byte fetched";
    EXPECT_EQ(apu.dmc.address, 0xC001u);
    Write(0x4015, 0x00);
    EXPECT_EQ(Status() & 0x10, 0) << "bit 4 clear stops the sample";
}

TEST(Dmc, InterruptAtTheEndUnlessLooping) {
    struct Case {
        uint8_t control;
        bool interrupt;
        uint32_t remainingAfter;
    } cases[] = {{0x80, true, 0}, {0x00, false, 0}, {0xC0, false, 17}, {0x40, false, 17}};
    for (const Case& c : cases) {
        FreshApu();
        FillSamples();
        Write(0x4012, 0x00);
        Write(0x4013, 0x01);
        Write(0x4010, c.control);
        Write(0x4015, 0x10);  // also clears the status bit the $4010 write may have set
        Fetch(16);
        EXPECT_EQ(apu.dmc.remaining, c.remainingAfter) << int(c.control);
        EXPECT_EQ(cpu.irqLine == 0, c.interrupt) << int(c.control);
        EXPECT_EQ((Status() & 0x80) != 0, c.interrupt) << int(c.control);
        if (c.remainingAfter) {
            EXPECT_EQ(apu.dmc.address, 0xC000u) << "a loop starts over";
        }
    }
}

TEST(Dmc, InterruptFlagReadAndClear) {
    FreshApu();
    FillSamples();
    Write(0x4010, 0x80);
    Write(0x4012, 0x00);
    Write(0x4013, 0x01);
    Write(0x4015, 0x10);
    Fetch(16);
    EXPECT_EQ(Status() & 0x80, 0x80);
    EXPECT_EQ(Status() & 0x80, 0x80) << "reading does not clear the DMC flag";
    Write(0x4015, 0x00);
    EXPECT_EQ(Status() & 0x80, 0) << "writing $4015 clears it";
    Write(0x4010, 0x00);
    EXPECT_EQ(Status() & 0x80, 0x80) << "a write with the interrupt disabled sets the status bit";
    EXPECT_EQ(cpu.irqLine, 1u) << "without touching the line";
    Write(0x4010, 0x80);
    EXPECT_EQ(Status() & 0x80, 0);
}

TEST(Dmc, AddressWrapsToEightThousand) {
    FreshApu();
    FillSamples();
    Write(0x4012, 0xFF);  // $FFC0
    Write(0x4013, 0x05);  // 81 bytes
    Write(0x4015, 0x10);
    EXPECT_EQ(apu.dmc.shift, flatMemory[0xFFC0]);
    Fetch(63);
    EXPECT_EQ(apu.dmc.address, 0x8000u);
    DmcFetch();
    EXPECT_EQ(apu.dmc.buffer, flatMemory[0x8000]);
    EXPECT_EQ(apu.dmc.address, 0x8001u);
}

// Delta bits move the level by 2 within 0-127, least significant bit first;
// a zero byte plays as silence.
TEST(Dmc, OutputLevelSteps) {
    struct Case {
        uint8_t level;
        uint8_t byte;
        uint8_t after;
    } cases[] = {{0x40, 0xFF, 0x50}, {0x7E, 0xFF, 0x7E}, {0x7D, 0xFF, 0x7F},
                 {0x03, 0xF0, 0x09}, {0x40, 0x00, 0x40}, {0x40, 0x0F, 0x40}};
    for (const Case& c : cases) {
        FreshApu();
        flatMemory[0xC000] = c.byte;
        Write(0x4010, 0x0F);  // 54 cycles per step
        Write(0x4011, c.level);
        Write(0x4012, 0x00);
        Write(0x4013, 0x00);
        Write(0x4015, 0x10);
        for (int i = 0; i < 8 * 54; ++i) ApuClockTimers();
        EXPECT_EQ(apu.dmc.levelOut, c.after) << std::hex << int(c.level) << " " << int(c.byte);
    }
}

}  // namespace
}  // namespace morvel::test
