// MMC2: the PRG window, the CHR registers and the latches flipped by fetches
// of tiles $FD and $FE.
#include "cart/mmc2.h"

#include <gtest/gtest.h>

#include "cart/board_probe.h"

namespace morvel::test {
namespace {

// Eight 4 KB CHR banks; 4 KB bank b holds 1 KB units 4b to 4b+3.
bool LoadMmc2() {
    return LoadBoard(9, 8, 4);
}

TEST(Mmc2, PowerOnBanks) {
    ASSERT_TRUE(LoadMmc2());          // sixteen 8 KB PRG banks
    EXPECT_EQ(PrgUnitAt(0x8000), 0);  // a defined bank before the first $A000 write
    EXPECT_EQ(PrgUnitAt(0xA000), 26);
    EXPECT_EQ(PrgUnitAt(0xC000), 28);
    EXPECT_EQ(PrgUnitAt(0xE000), 30);
    EXPECT_EQ(mmc2.mmc2Latch0, 0xFEu);
    EXPECT_EQ(mmc2.mmc2Latch1, 0xFEu);
}

TEST(Mmc2, PrgRegister) {
    ASSERT_TRUE(LoadMmc2());
    CpuWrite(0xA000, 3);
    EXPECT_EQ(PrgUnitAt(0x8000), 6);
    CpuWrite(0x9000, 5);  // no register
    EXPECT_EQ(PrgUnitAt(0x8000), 6);
    ASSERT_TRUE(LoadBoard(9, 2, 4));  // four 8 KB banks: bank 15 wraps inside
    CpuWrite(0xA000, 0xFF);
    EXPECT_EQ(PrgUnitAt(0x8000), 6);
    EXPECT_EQ(mmc2.mmc2PrgBank, 15u);
}

struct RegisterCase {
    uint32_t address;
    uint8_t value;
    int unitAt0000;  // after the write, latches at power-on ($FE)
    int unitAt1000;
};

TEST(Mmc2, ChrRegistersMapOnlyWhileTheirLatchMatches) {
    const RegisterCase cases[] = {
        {0xB000, 5, 0, 4},      // $FD register of latch 0: stored only
        {0xC000, 5, 20, 4},     // $FE register of latch 0
        {0xD000, 6, 0, 4},      // $FD register of latch 1: stored only
        {0xE000, 6, 0, 24},     // $FE register of latch 1
        {0xE000, 0xFE, 0, 24},  // five bits (30), wrapped inside eight banks
    };
    for (const RegisterCase& c : cases) {
        ASSERT_TRUE(LoadMmc2());
        CpuWrite(c.address, c.value);
        EXPECT_EQ(ChrUnitAt(0x0000), c.unitAt0000) << std::hex << c.address;
        EXPECT_EQ(ChrUnitAt(0x1000), c.unitAt1000) << std::hex << c.address;
    }
}

TEST(Mmc2, TileFetchesFlipTheLatches) {
    ASSERT_TRUE(LoadMmc2());
    CpuWrite(0xB000, 1);
    CpuWrite(0xC000, 2);
    CpuWrite(0xD000, 3);
    CpuWrite(0xE000, 4);
    struct Step {
        uint32_t fetch;
        int fetchedUnit;  // the fetch itself still sees the old bank
        int unitAt0000;
        int unitAt1000;
    };
    const Step steps[] = {
        {0x0FD0, 11, 4, 16},  // tile $FD, lower half: latch 0 to $FD
        {0x0FDF, 7, 4, 16},   // the last byte of the tile flips it as well
        {0x0FE8, 7, 8, 16},   // tile $FE: back to the $FE bank
        {0x0FCF, 11, 8, 16},  // tile $FC: nothing
        {0x0FF0, 11, 8, 16},  // tile $FF: nothing
        {0x1FD5, 19, 8, 12},  // tile $FD, upper half: latch 1
        {0x1FE0, 15, 8, 16},  // tile $FE, upper half
        {0x0FD0, 11, 4, 16},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(ChrUnitAt(s.fetch), s.fetchedUnit) << std::hex << s.fetch;
        EXPECT_EQ(ChrUnitAt(0x0000), s.unitAt0000) << std::hex << s.fetch;
        EXPECT_EQ(ChrUnitAt(0x1000), s.unitAt1000) << std::hex << s.fetch;
    }
    CpuWrite(0xB000, 6);  // latch 0 is $FD now: maps at once
    EXPECT_EQ(ChrUnitAt(0x0000), 24);
}

TEST(Mmc2, PatternWritesGoToTheChrDataWithoutFlipping) {
    ASSERT_TRUE(LoadMmc2());
    PpuBusWrite(0x0FD3, 0x42);
    EXPECT_EQ(mmc2.mmc2Latch0, 0xFEu);
    EXPECT_EQ(PpuBusRead(0x0FD3), 0x42);
}

TEST(Mmc2, MirroringRegister) {
    ASSERT_TRUE(LoadMmc2());
    CpuWrite(0xF000, 0);
    EXPECT_EQ(NametableAt(1), 1);  // vertical
    CpuWrite(0xF000, 1);
    EXPECT_EQ(NametableAt(1), 0);  // horizontal
    EXPECT_EQ(NametableAt(2), 1);
}

}  // namespace
}  // namespace morvel::test
