// The fixed part of the CPU map: RAM mirrors, register mirrors, work RAM flags.
#include "core/memory_map.h"

#include <gtest/gtest.h>

#include "core/cpu.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

class MemoryMapTest : public ::testing::Test {
   protected:
    void SetUp() override { ASSERT_EQ(LoadImage(MakeInesImage(0, 1, 1)), 1); }
};

TEST_F(MemoryMapTest, InternalRamAppearsFourTimes) {
    CpuWrite(0x0801, 0x3C);
    for (uint32_t address : {0x0001u, 0x1001u, 0x1801u}) EXPECT_EQ(CpuRead(address), 0x3C);
    EXPECT_EQ(cpu.cpuRam[1], 0x3C);
}

TEST_F(MemoryMapTest, PpuRegistersRepeatEveryEightBytes) {
    // Writing the address through $2006 and its mirror $3FFE, then reading the
    // data through $3FFF and $2007, reaches the same registers.
    CpuRead(0x3FFA);  // $2002: reset the address latch
    CpuWrite(0x3FFE, 0x21);
    CpuWrite(0x2006, 0x00);
    CpuWrite(0x3FFF, 0x5D);
    CpuRead(0x2002);
    CpuWrite(0x2006, 0x21);
    CpuWrite(0x2006, 0x00);
    CpuRead(0x2007);  // fills the read buffer
    EXPECT_EQ(CpuRead(0x3FFF), 0x5D);
}

TEST_F(MemoryMapTest, IoPagesReadZeroOutsideTheRegisters) {
    for (uint32_t address = 0x4000; address <= 0x4014; ++address)
        EXPECT_EQ(CpuRead(address), 0) << std::hex << address;
    for (uint32_t address = 0x4018; address < 0x6000; address += 0x77)
        EXPECT_EQ(CpuRead(address), 0) << std::hex << address;
}

TEST_F(MemoryMapTest, StatusReadReleasesTheInterruptLine) {
    cpu.irqLine = 0;
    CpuRead(0x4015);
    EXPECT_EQ(cpu.irqLine, 1u);
}

TEST_F(MemoryMapTest, SpriteDmaRequest) {
    CpuWrite(0x4014, 0x07);
    EXPECT_EQ(cpu.dmaActive, 1u);
    EXPECT_EQ(cpu.dmaSource, 0x0700u);
}

TEST_F(MemoryMapTest, WorkRamFlags) {
    struct Case {
        uint32_t enabled, writable;
        uint8_t readBack;
    };
    const Case cases[] = {{1, 1, 0x99}, {1, 0, 0x11}, {0, 1, 0}, {0, 0, 0}};
    for (const Case& c : cases) {
        ClearWorkRam();
        workRamBlock.workRam[0x1234] = 0x11;
        workRamBlock.prgRamEnabled = c.enabled;
        workRamBlock.prgRamWritable = c.writable;
        CpuWrite(0x7234, 0x99);
        EXPECT_EQ(CpuRead(0x7234), c.readBack) << c.enabled << c.writable;
        workRamBlock.prgRamEnabled = 1;
        EXPECT_EQ(CpuRead(0x7234), c.enabled && c.writable ? 0x99 : 0x11);
    }
}

}  // namespace
}  // namespace morvel::test
