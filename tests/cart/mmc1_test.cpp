// MMC1: the serial port, the PRG and CHR modes, mirroring and the work RAM
// write protection.
#include "cart/mmc1.h"

#include <gtest/gtest.h>

#include "cart/board_probe.h"

namespace morvel::test {
namespace {

// Delivers a 5-bit value through five writes of bit 0, low bit first.
void Serial(uint32_t address, uint8_t value) {
    for (int bit = 0; bit < 5; ++bit) CpuWrite(address, (value >> bit) & 1);
}

TEST(Mmc1, PowerOnShowsFirstAndLastBankAndOneScreenLower) {
    ASSERT_TRUE(LoadBoard(1, 8, 2, /*vertical*/ 0x01));
    EXPECT_EQ(PrgUnitAt(0x8000), 0);
    EXPECT_EQ(PrgUnitAt(0xFFFF), 31);
    EXPECT_EQ(ChrUnitAt(0x0000), 0);
    EXPECT_EQ(ChrUnitAt(0x1C00), 7);
    // The header asks for vertical mirroring; the power-on control value wins.
    for (int q = 0; q < 4; ++q) EXPECT_EQ(NametableAt(q), 0) << q;
}

TEST(Mmc1, ResetWriteAbandonsCollectedBits) {
    ASSERT_TRUE(LoadBoard(1, 16, 2));
    CpuWrite(0xE000, 1);
    CpuWrite(0xE000, 1);
    CpuWrite(0xE000, 0x80);
    Serial(0xE000, 9);  // bits 1,0,0,1,0
    EXPECT_EQ(PrgUnitAt(0x8000), 9 * 4);
    EXPECT_EQ(mmc1.mmc1ShiftCount, 0);
}

TEST(Mmc1, ResetWriteForcesPrgMode3) {
    ASSERT_TRUE(LoadBoard(1, 16, 2));
    Serial(0x8000, 0x00);  // 32 KB mode
    Serial(0xE000, 4);
    CpuWrite(0x8000, 0xFF);
    EXPECT_EQ(mmc1.mmc1Control, 0x0C);
    EXPECT_EQ(PrgUnitAt(0xC000), 60);  // the last bank is fixed at $C000 again
}

struct PrgCase {
    int prgUnits;
    uint8_t control;
    uint8_t value;
    int unitAt8000;
    int unitAtC000;
};

TEST(Mmc1, PrgModes) {
    const PrgCase cases[] = {
        {16, 0x0C, 9, 36, 60},  // mode 3: $8000 switched, last bank at $C000
        {16, 0x08, 9, 0, 36},   // mode 2: first bank at $8000, $C000 switched
        {16, 0x00, 9, 32, 36},  // mode 0: 32 KB bank 4
        {16, 0x04, 9, 32, 36},  // mode 1 is 32 KB as well
        {8, 0x0C, 9, 4, 28},    // reduced by the count: 9 AND 7 = 1
        {8, 0x00, 13, 16, 20},  // 32 KB: (13 >> 1) AND 3 = 2
    };
    for (const PrgCase& c : cases) {
        ASSERT_TRUE(LoadBoard(1, c.prgUnits, 2));
        Serial(0x8000, c.control);
        Serial(0xE000, c.value);
        EXPECT_EQ(PrgUnitAt(0x8000), c.unitAt8000) << int{c.control} << " " << int{c.value};
        EXPECT_EQ(PrgUnitAt(0xC000), c.unitAtC000) << int{c.control} << " " << int{c.value};
    }
}

struct ChrCase {
    uint8_t control;
    uint32_t address;
    uint8_t value;
    int unitAt0000;
    int unitAt1000;
};

TEST(Mmc1, ChrModes) {
    const ChrCase cases[] = {
        {0x0C, 0xA000, 3, 8, 12},  // 8 KB mode: bank 3 >> 1 = 1
        {0x0C, 0xC000, 3, 0, 4},   // 8 KB mode: the upper register is dropped
        {0x1C, 0xA000, 3, 12, 4},  // 4 KB mode: lower half only
        {0x1C, 0xC000, 5, 0, 20},  // 4 KB mode: upper half only
        {0x1C, 0xC000, 9, 0, 4},   // reduced: 9 AND 7 = 1
    };
    for (const ChrCase& c : cases) {
        ASSERT_TRUE(LoadBoard(1, 2, 4));
        Serial(0x8000, c.control);
        Serial(c.address, c.value);
        EXPECT_EQ(ChrUnitAt(0x0000), c.unitAt0000) << std::hex << c.address << " " << int{c.value};
        EXPECT_EQ(ChrUnitAt(0x1000), c.unitAt1000) << std::hex << c.address << " " << int{c.value};
    }
}

TEST(Mmc1, ControlMirroring) {
    const int expected[4][4] = {
        {0, 0, 0, 0},  // one-screen, page 0
        {1, 1, 1, 1},  // one-screen, page 1
        {0, 1, 0, 1},  // vertical
        {0, 0, 1, 1},  // horizontal
    };
    ASSERT_TRUE(LoadBoard(1, 2, 2));
    for (uint8_t mode = 0; mode < 4; ++mode) {
        Serial(0x8000, 0x0C | mode);
        for (int q = 0; q < 4; ++q) EXPECT_EQ(NametableAt(q), expected[mode][q]) << int{mode};
    }
}

TEST(Mmc1, ControlWithoutPrgBitsLeavesPrgAlone) {
    ASSERT_TRUE(LoadBoard(1, 8, 4, 0x01));
    Serial(0xE000, 3);
    ASSERT_EQ(PrgUnitAt(0x8000), 12);
    Serial(0x8000, 0x10);
    EXPECT_EQ(PrgUnitAt(0x8000), 12);
    EXPECT_EQ(PrgUnitAt(0xC000), 28);
    for (int q = 0; q < 4; ++q) EXPECT_EQ(NametableAt(q), 0);
    Serial(0xC000, 6);  // now in 4 KB mode, the upper register is used
    EXPECT_EQ(ChrUnitAt(0x1000), 24);
}

TEST(Mmc1, PrgBit4WriteProtectsWorkRam) {
    ASSERT_TRUE(LoadBoard(1, 2, 2));
    CpuWrite(0x6123, 0x11);
    Serial(0xE000, 0x10);
    CpuWrite(0x6123, 0x22);
    EXPECT_EQ(CpuRead(0x6123), 0x11);
    Serial(0xE000, 0x00);
    CpuWrite(0x6123, 0x33);
    EXPECT_EQ(CpuRead(0x6123), 0x33);
}

TEST(Mmc1, ChrRamIsNeverBanked) {
    ASSERT_TRUE(LoadBoard(1, 2, 0));
    PpuBusWrite(0x0010, 0x5A);
    Serial(0x8000, 0x1C);
    Serial(0xA000, 1);
    EXPECT_EQ(PpuBusRead(0x0010), 0x5A);
    PpuBusWrite(0x1010, 0x6B);
    EXPECT_EQ(PpuBusRead(0x1010), 0x6B);
}

}  // namespace
}  // namespace morvel::test
