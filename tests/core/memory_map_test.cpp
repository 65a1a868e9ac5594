// The fixed part of the CPU map that the outside cartridges do not reach: PPU
// register mirrors, the unused I/O space, the $4015 read and the work RAM flags.
#include "core/memory_map.h"

#include <gtest/gtest.h>

#include "core/cpu.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

TEST(MemoryMap, RegistersAndUnusedSpace) {
    ASSERT_EQ(LoadImage(MakeInesImage(0, 1, 1)), 1);
    // The address written through $3FFE (a mirror of $2006), the data through
    // $3FFF, read back through $2007.
    CpuRead(0x3FFA);
    CpuWrite(0x3FFE, 0x21);
    CpuWrite(0x2006, 0x00);
    CpuWrite(0x3FFF, 0x5D);
    CpuWrite(0x2006, 0x21);
    CpuWrite(0x2006, 0x00);
    CpuRead(0x2007);  // fills the read buffer
    EXPECT_EQ(CpuRead(0x3FFF), 0x5D);

    for (uint32_t address = 0x4000; address < 0x6000; address += address < 0x4018 ? 1 : 0x77) {
        if (address >= 0x4015 && address <= 0x4017) continue;  // APU status, controllers
        EXPECT_EQ(CpuRead(address), 0) << std::hex << address;
    }
    cpu.irqLine = 0;
    CpuRead(0x4015);
    EXPECT_EQ(cpu.irqLine, 1u) << "reading the status releases the interrupt line";
}

TEST(MemoryMap, WorkRamFlags) {
    ASSERT_EQ(LoadImage(MakeInesImage(0, 1, 1)), 1);
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
