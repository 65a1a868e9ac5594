// The MMC3 family: mapper 4's registers and scanline counter, mapper 118's
// nametables and mapper 189's low-address PRG register.
#include "cart/mmc3.h"

#include <gtest/gtest.h>

#include "cart/board_probe.h"
#include "core/cpu.h"

namespace morvel::test {
namespace {

void BankData(uint8_t select, uint8_t value) {
    CpuWrite(0x8000, select);
    CpuWrite(0x8001, value);
}

TEST(Mmc3, PowerOnBanks) {
    ASSERT_TRUE(LoadBoard(4, 4, 2));  // eight 8 KB PRG banks
    EXPECT_EQ(PrgUnitAt(0x8000), 0);
    EXPECT_EQ(PrgUnitAt(0xA000), 4);   // bank 2
    EXPECT_EQ(PrgUnitAt(0xC000), 12);  // second-last
    EXPECT_EQ(PrgUnitAt(0xE000), 14);  // last
    EXPECT_EQ(ChrUnitAt(0x0000), 0);
    EXPECT_EQ(ChrUnitAt(0x1C00), 7);
    EXPECT_EQ(mmc3.mmc3ChrNormal, 0);
}

TEST(Mmc3, BankSelectBit6SwapsTheR6Window) {
    ASSERT_TRUE(LoadBoard(4, 4, 2));
    CpuWrite(0x8000, 0x46);
    EXPECT_EQ(PrgUnitAt(0x8000), 12);  // second-last bank now at $8000
    EXPECT_EQ(PrgUnitAt(0xC000), 12);  // and still at $C000 until R6 is written
    CpuWrite(0x8001, 3);
    EXPECT_EQ(PrgUnitAt(0xC000), 6);
    EXPECT_EQ(PrgUnitAt(0x8000), 12);
    CpuWrite(0x8000, 0x06);
    EXPECT_EQ(PrgUnitAt(0xC000), 12);
    EXPECT_EQ(PrgUnitAt(0x8000), 12);  // unchanged until the next R6 write
    CpuWrite(0x8001, 1);
    EXPECT_EQ(PrgUnitAt(0x8000), 2);
    BankData(0x07, 9);  // R7, reduced: 9 AND 7 = 1
    EXPECT_EQ(PrgUnitAt(0xA000), 2);
}

struct ChrCase {
    uint8_t select;
    uint8_t value;
    uint32_t address;
    int firstUnit;  // unit at address, the next unit follows for 2 KB banks
    int units;
};

TEST(Mmc3, ChrRegistersNormalAndInverted) {
    const ChrCase cases[] = {
        {0x00, 8, 0x0000, 8, 2}, {0x01, 11, 0x0800, 10, 2}, {0x02, 5, 0x1000, 5, 1},
        {0x03, 6, 0x1400, 6, 1}, {0x04, 7, 0x1800, 7, 1},   {0x05, 33, 0x1C00, 1, 1},
        {0x80, 8, 0x1000, 8, 2}, {0x81, 4, 0x1800, 4, 2},   {0x82, 5, 0x0000, 5, 1},
        {0x83, 6, 0x0400, 6, 1}, {0x84, 7, 0x0800, 7, 1},   {0x85, 9, 0x0C00, 9, 1},
    };
    for (const ChrCase& c : cases) {
        ASSERT_TRUE(LoadBoard(4, 2, 4));  // 32 1 KB CHR banks
        BankData(c.select, c.value);
        for (int k = 0; k < c.units; ++k)
            EXPECT_EQ(ChrUnitAt(c.address + 0x400 * k), c.firstUnit + k)
                << std::hex << int{c.select} << " " << int{c.value};
    }
}

TEST(Mmc3, MirroringRegister) {
    ASSERT_TRUE(LoadBoard(4, 2, 2));
    CpuWrite(0xA000, 1);
    EXPECT_EQ(NametableAt(1), 0);
    EXPECT_EQ(NametableAt(2), 1);
    CpuWrite(0xA000, 0);
    EXPECT_EQ(NametableAt(1), 1);
    EXPECT_EQ(NametableAt(2), 0);
}

struct RamCase {
    uint8_t control;
    int readBack;  // what $6000 reads after writing $77 over $11
};

TEST(Mmc3, WorkRamControl) {
    const RamCase cases[] = {
        {0x80, 0x77},  // enabled, writable
        {0xC0, 0x11},  // enabled, read-only
        {0x00, 0x00},  // disabled: reads 0, writes ignored
    };
    for (const RamCase& c : cases) {
        ASSERT_TRUE(LoadBoard(4, 2, 2));
        CpuWrite(0x6000, 0x11);
        CpuWrite(0xA001, c.control);
        CpuWrite(0x6000, 0x77);
        EXPECT_EQ(CpuRead(0x6000), c.readBack) << int{c.control};
        CpuWrite(0xA001, 0x80);
        EXPECT_EQ(CpuRead(0x6000), c.control == 0x80 ? 0x77 : 0x11) << int{c.control};
    }
}

// One rising edge of A12 through a background fetch and a sprite fetch.
void RisingEdge() {
    PpuBusRead(0x0000);
    PpuBusRead(0x1000);
}

TEST(Mmc3, CounterRaisesOnTheLatchPlusOneEdge) {
    ASSERT_TRUE(LoadBoard(4, 2, 2));
    CpuWrite(0xC000, 3);
    CpuWrite(0xC001, 0);
    CpuWrite(0xE001, 0);
    for (int edge = 1; edge <= 3; ++edge) {
        RisingEdge();
        EXPECT_EQ(cpu.irqLine, 1u) << edge;
    }
    RisingEdge();
    EXPECT_EQ(cpu.irqLine, 0u);
    CpuWrite(0xE000, 0);
    EXPECT_EQ(cpu.irqLine, 1u);
    for (int edge = 0; edge < 8; ++edge) RisingEdge();
    EXPECT_EQ(cpu.irqLine, 1u);  // disabled: no interrupt
    CpuWrite(0xE001, 0);
    // The counter went on while disabled and stands at 0 again after eight
    // edges (two rounds of reload and three decrements): the next interrupt
    // comes four edges after enabling.
    for (int edge = 1; edge <= 3; ++edge) RisingEdge();
    EXPECT_EQ(cpu.irqLine, 1u);
    RisingEdge();
    EXPECT_EQ(cpu.irqLine, 0u);
}

TEST(Mmc3, LatchZeroNeverRaises) {
    ASSERT_TRUE(LoadBoard(4, 2, 2));
    CpuWrite(0xC000, 0);
    CpuWrite(0xC001, 0);
    CpuWrite(0xE001, 0);
    for (int edge = 0; edge < 20; ++edge) RisingEdge();
    EXPECT_EQ(cpu.irqLine, 1u);
}

TEST(Mmc3, OnlyRisingEdgesCount) {
    ASSERT_TRUE(LoadBoard(4, 2, 2));
    CpuWrite(0xC000, 1);
    CpuWrite(0xC001, 0);
    CpuWrite(0xE001, 0);
    RisingEdge();                                         // reload to 1
    for (int i = 0; i < 10; ++i) PpuBusRead(0x1000 + i);  // A12 stays high
    EXPECT_EQ(cpu.irqLine, 1u);
    Mmc3WatchA12(0x0FFF);
    Mmc3WatchA12(0x1000);  // a PPU address change counts the same as a fetch
    EXPECT_EQ(cpu.irqLine, 0u);
}

TEST(Mmc3, ChrRamPatternWritesStoreAndCount) {
    ASSERT_TRUE(LoadBoard(4, 2, 0));
    PpuBusWrite(0x1234, 0x5A);
    EXPECT_EQ(PpuBusRead(0x1234), 0x5A);
    EXPECT_EQ(mmc3.mmc3LastPpuAddr, 0x1234);
    ASSERT_TRUE(LoadBoard(4, 2, 2));
    uint8_t before = PpuBusRead(0x0234);
    PpuBusWrite(0x0234, 0x5A);  // CHR ROM: dropped
    EXPECT_EQ(PpuBusRead(0x0234), before);
}

TEST(Mapper118, ChrValuesDropTheNametableBit) {
    ASSERT_TRUE(LoadBoard(118, 2, 32));  // 256 1 KB banks
    BankData(0x02, 0x85);
    EXPECT_EQ(ChrUnitAt(0x1000), 5);
    BankData(0x00, 0x86);
    EXPECT_EQ(ChrUnitAt(0x0000), 6);
    ASSERT_TRUE(LoadBoard(4, 2, 32));
    BankData(0x02, 0x85);
    EXPECT_EQ(ChrUnitAt(0x1000), 0x85);
}

// Bank-data writes through a mirror of the bank-select register, so that only
// the explicit writes to $8000 re-choose the nametables.
void BankDataQuiet(uint8_t select, uint8_t value) {
    CpuWrite(0x8002, select);
    CpuWrite(0x8001, value);
}

TEST(Mapper118, NametablesFollowTheChrRegisters) {
    ASSERT_TRUE(LoadBoard(118, 2, 8));  // header: horizontal
    BankDataQuiet(0x00, 0x80);
    BankDataQuiet(0x01, 0x00);
    CpuWrite(0xA000, 0);  // no mirroring register: would be vertical
    const int header[4] = {0, 0, 1, 1};
    for (int q = 0; q < 4; ++q) EXPECT_EQ(NametableAt(q), header[q]) << q;
    CpuWrite(0x8000, 0x00);
    const int normal[4] = {1, 1, 0, 0};
    for (int q = 0; q < 4; ++q) EXPECT_EQ(NametableAt(q), normal[q]) << q;

    BankDataQuiet(0x82, 0x00);
    BankDataQuiet(0x83, 0x80);
    BankDataQuiet(0x84, 0x80);
    BankDataQuiet(0x85, 0x00);
    for (int q = 0; q < 4; ++q) EXPECT_EQ(NametableAt(q), normal[q]) << q;
    CpuWrite(0x8000, 0x80);
    const int inverted[4] = {0, 1, 1, 0};
    for (int q = 0; q < 4; ++q) EXPECT_EQ(NametableAt(q), inverted[q]) << q;
}

TEST(Mapper189, PrgThroughLowAddresses) {
    ASSERT_TRUE(LoadBoard(189, 16, 2));  // eight 32 KB banks
    EXPECT_EQ(PrgUnitAt(0x8000), 0);
    EXPECT_EQ(PrgUnitAt(0xF000), 7);
    CpuWrite(0x4120, 0x21);  // $02 OR $01
    EXPECT_EQ(PrgUnitAt(0x8000), 3 * 8);
    CpuWrite(0x6105, 2);
    EXPECT_EQ(PrgUnitAt(0x8000), 2 * 8);
    CpuWrite(0x610A, 5);  // just past the register range
    EXPECT_EQ(PrgUnitAt(0x8000), 2 * 8);
    CpuWrite(0x4120, 0xFF);  // bank 15 of 8: kept inside the image
    EXPECT_EQ(PrgUnitAt(0x8000), 7 * 8);
    CpuWrite(0x8000, 0x06);  // R6 and R7 do nothing here
    CpuWrite(0x8001, 0x03);
    EXPECT_EQ(PrgUnitAt(0x8000), 7 * 8);
}

TEST(Mapper189, LowPagesReadZeroButTheIoRegisters) {
    ASSERT_TRUE(LoadBoard(189, 2, 2));
    workRamBlock.workRam[0x100] = 0x5A;
    EXPECT_EQ(CpuRead(0x6100), 0);
    EXPECT_EQ(CpuRead(0x5000), 0);
    cpu.dmaActive = 0;
    CpuWrite(0x4014, 0x02);  // still reaches the sprite DMA register
    EXPECT_EQ(cpu.dmaActive, 1u);
    cpu.dmaActive = 0;
}

TEST(Mapper189, ChrRegistersAreNotMaskedByTheCount) {
    // 24 1 KB banks: mapper 4 masks 30 to 30 AND 23 = 22; mapper 189 maps
    // bank 30, which wraps inside the data to 6.
    ASSERT_TRUE(LoadBoard(189, 2, 3));
    BankData(0x02, 30);
    EXPECT_EQ(ChrUnitAt(0x1000), 6);
    BankData(0x00, 61);  // 2 KB: 61 >> 1 = 30
    EXPECT_EQ(ChrUnitAt(0x0000), (60 % 24));
    ASSERT_TRUE(LoadBoard(4, 2, 3));
    BankData(0x02, 30);
    EXPECT_EQ(ChrUnitAt(0x1000), 22);
}

TEST(Mapper189, SetupClearsThePreviousCartridgesRegisters) {
    ASSERT_TRUE(LoadBoard(4, 2, 4));
    CpuWrite(0x8000, 0x85);  // inverted layout, R5 selected
    CpuWrite(0xC000, 7);
    CpuWrite(0xE001, 0);
    ASSERT_TRUE(LoadBoard(189, 2, 4));
    // A cleared block selects R0 in the inverted layout: 2 KB bank 2 at
    // $1000. The stale block would have sent the value to R5 at $0C00.
    CpuWrite(0x8001, 4);
    EXPECT_EQ(ChrUnitAt(0x1000), 4);
    EXPECT_EQ(ChrUnitAt(0x1400), 5);
    EXPECT_EQ(ChrUnitAt(0x0C00), 3);
    EXPECT_EQ(mmc3.mmc3IrqLatch, 0);
    EXPECT_EQ(mmc3.mmc3IrqEnabled, 0);
}

TEST(Mapper189, NeverRaisesItsInterrupt) {
    ASSERT_TRUE(LoadBoard(189, 2, 2));
    CpuWrite(0xC000, 1);
    CpuWrite(0xC001, 0);
    CpuWrite(0xE001, 0);
    EXPECT_EQ(mmc3.mmc3IrqEnabled, 1);
    for (int edge = 0; edge < 10; ++edge) RisingEdge();
    EXPECT_EQ(cpu.irqLine, 1u);
    CpuWrite(0xA000, 1);
    EXPECT_EQ(NametableAt(2), 1);  // horizontal
}

}  // namespace
}  // namespace morvel::test
