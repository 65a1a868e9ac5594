// MMC5: PRG modes with ROM and RAM windows, CHR sets, nametable mapping,
// ExRAM, the multiplier and the interrupt status register.
#include "cart/mmc5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "cart/board_probe.h"
#include "core/cpu.h"

namespace morvel::test {
namespace {

// 128 KB of PRG (sixteen 8 KB banks) and 64 KB of CHR.
bool LoadMmc5(int prgUnits = 8, int chrUnits = 8) {
    return LoadBoard(5, prgUnits, chrUnits);
}

TEST(Mmc5, PowerOnRunsFromTheLastBank) {
    ASSERT_TRUE(LoadMmc5());
    EXPECT_EQ(PrgUnitAt(0xE000), 30);
    EXPECT_EQ(PrgUnitAt(0xF000), 31);
    EXPECT_EQ(ChrUnitAt(0x1C00), 7);
    EXPECT_EQ(mmc5.mmc5PrgMode, 3u);
}

TEST(Mmc5, PowerOnWindowsHaveADefinedMapping) {
    ASSERT_TRUE(LoadMmc5());
    for (uint32_t a = 0x8000; a < 0xE000; a += 0x1000) EXPECT_EQ(PrgUnitAt(a), (a - 0x8000) >> 12);
    CpuWrite(0x6000, 0x42);  // RAM bank 0 until $5113 is written
    EXPECT_EQ(mmc5.mmc5PrgRam[0], 0x42);
    CpuWrite(0x5113, 0);
    EXPECT_EQ(CpuRead(0x6000), 0x42);
}

struct PrgCase {
    uint8_t mode;
    uint32_t reg;
    uint8_t value;
    uint32_t address;  // where the bank shows
    int firstUnit;     // its first 4 KB unit
    int units;
};

TEST(Mmc5, PrgRomModes) {
    const PrgCase cases[] = {
        {0, 0x5117, 0x04, 0x8000, 8, 8},   // 32 KB bank 1
        {0, 0x5117, 0x1F, 0x8000, 24, 8},  // 32 KB bank 7, reduced to 3
        {1, 0x5115, 0x82, 0x8000, 4, 4},   // 16 KB bank 1
        {1, 0x5117, 0x86, 0xC000, 12, 4},  // 16 KB bank 3
        {2, 0x5115, 0x84, 0x8000, 8, 4},   // 16 KB bank 2
        {2, 0x5116, 0x85, 0xC000, 10, 2},  // 8 KB bank 5
        {2, 0x5117, 0x87, 0xE000, 14, 2},  // 8 KB bank 7
        {3, 0x5114, 0x80, 0x8000, 0, 2},   // 8 KB bank 0
        {3, 0x5115, 0x89, 0xA000, 18, 2},  // 8 KB bank 9
        {3, 0x5116, 0x9F, 0xC000, 30, 2},  // 8 KB bank 31, reduced to 15
        {3, 0x5117, 0x03, 0xE000, 6, 2},   // always ROM, bit 7 ignored
    };
    for (const PrgCase& c : cases) {
        ASSERT_TRUE(LoadMmc5());
        CpuWrite(0x5100, c.mode);
        CpuWrite(c.reg, c.value);
        for (int k = 0; k < c.units; ++k)
            EXPECT_EQ(PrgUnitAt(c.address + 0x1000 * k), c.firstUnit + k)
                << int{c.mode} << " " << std::hex << c.reg << " " << int{c.value};
    }
}

TEST(Mmc5, RegistersOutsideTheirModeDoNothing) {
    ASSERT_TRUE(LoadMmc5());
    CpuWrite(0x5100, 1);
    CpuWrite(0x5114, 0x85);  // only in mode 3
    CpuWrite(0x5116, 0x85);  // only in modes 2 and 3
    for (uint32_t a = 0x8000; a < 0xE000; a += 0x1000) EXPECT_EQ(PrgUnitAt(a), (a - 0x8000) >> 12);
    CpuWrite(0x5100, 0);  // changing the mode re-maps nothing
    EXPECT_EQ(PrgUnitAt(0xE000), 30);
}

TEST(Mmc5, RamInTheRomWindows) {
    ASSERT_TRUE(LoadMmc5());
    CpuWrite(0x5114, 0x80);
    EXPECT_EQ(PrgUnitAt(0x8000), 0);
    CpuWrite(0x5114, 0x01);  // PRG RAM bank 1
    CpuWrite(0x8000, 0x5A);
    EXPECT_EQ(CpuRead(0x8000), 0x5A);
    CpuWrite(0x5113, 1);
    EXPECT_EQ(CpuRead(0x6000), 0x5A);

    CpuWrite(0x5113, 2);
    CpuWrite(0x6000, 0x77);
    CpuWrite(0x5115, 0x02);
    EXPECT_EQ(CpuRead(0xA000), 0x77);
    CpuWrite(0x5116, 0x0A);  // bank 10 AND 7 = 2
    EXPECT_EQ(CpuRead(0xC000), 0x77);
    CpuWrite(0x5116, 0x82);  // back to ROM
    EXPECT_EQ(PrgUnitAt(0xC000), 4);
}

TEST(Mmc5, SixteenKilobyteRamWindow) {
    ASSERT_TRUE(LoadMmc5());
    CpuWrite(0x5100, 1);
    CpuWrite(0x5115, 0x04);  // bits 1-2: 16 KB RAM bank 2, 8 KB banks 4 and 5
    CpuWrite(0x8000, 0x31);
    CpuWrite(0xA000, 0x32);
    CpuWrite(0x5113, 4);
    EXPECT_EQ(CpuRead(0x6000), 0x31);
    CpuWrite(0x5113, 5);
    EXPECT_EQ(CpuRead(0x6000), 0x32);
}

TEST(Mmc5, Multiplier) {
    ASSERT_TRUE(LoadMmc5());
    const uint8_t cases[][4] = {{7, 9, 63, 0}, {255, 255, 0x01, 0xFE}, {16, 16, 0, 1}};
    for (const auto& c : cases) {
        CpuWrite(0x5205, c[0]);
        CpuWrite(0x5206, c[1]);
        EXPECT_EQ(CpuRead(0x5205), c[2]) << int{c[0]} << "*" << int{c[1]};
        EXPECT_EQ(CpuRead(0x5206), c[3]) << int{c[0]} << "*" << int{c[1]};
    }
}

TEST(Mmc5, NametableMapping) {
    ASSERT_TRUE(LoadMmc5());
    CpuWrite(0x5105, 0x55);  // all on page 1
    CpuWrite(0x5105, 0xE4);
    const int expected[4] = {0, 1, 4, 1};  // $2C00 keeps page 1
    for (int q = 0; q < 4; ++q) EXPECT_EQ(NametableAt(q, mmc5.mmc5ExRam), expected[q]) << q;
    PpuBusWrite(0x2805, 0x99);
    EXPECT_EQ(mmc5.mmc5ExRam[5], 0x99);
}

struct ExRamCase {
    uint8_t mode;
    int32_t scanline;
    int stored;     // ExRAM byte after writing $5C after $11 was there
    int readsBack;  // what $5C00 reads
};

TEST(Mmc5, ExRamCpuAccess) {
    const ExRamCase cases[] = {
        {0, 241, 0x00, 0x00},                        // vertical blank: 0 stored, reads 0
        {0, 100, 0x5C, 0x00},                        // while rendering the visible lines
        {1, 261, 0x00, 0x00}, {2, 241, 0x5C, 0x5C},  // plain RAM
        {3, 100, 0x11, 0x11},                        // read-only
    };
    for (const ExRamCase& c : cases) {
        ASSERT_TRUE(LoadMmc5());
        mmc5.mmc5ExRam[0x10] = 0x11;
        CpuWrite(0x5104, c.mode);
        ppu.scanline = c.scanline;
        CpuWrite(0x5C10, 0x5C);
        EXPECT_EQ(mmc5.mmc5ExRam[0x10], c.stored) << int{c.mode} << " " << c.scanline;
        EXPECT_EQ(CpuRead(0x5C10), c.readsBack) << int{c.mode};
    }
    ppu.scanline = 0;
}

TEST(Mmc5, ChrHighBits) {
    ASSERT_TRUE(LoadMmc5(8, 64));  // 512 1 KB banks
    CpuWrite(0x5130, 1);
    CpuWrite(0x5127, 0x05);  // mode 0
    EXPECT_EQ(mmc5.mmc5ChrRegs[7], 0x105u);
    CpuWrite(0x5101, 3);
    CpuWrite(0x5120, 0x05);
    EXPECT_EQ(banks.chrPageBank[0], 0x105u);
    CpuWrite(0x5130, 0);
    CpuWrite(0x5121, 0x06);
    EXPECT_EQ(banks.chrPageBank[1], 6u);
}

struct ChrCase {
    uint8_t mode;
    uint32_t reg;
    uint8_t value;
    int unitAt[8];  // unit at each 1 KB pattern page afterwards
};

TEST(Mmc5, ChrModesWithEightByEightSprites) {
    const ChrCase cases[] = {
        {0, 0x5127, 2, {16, 17, 18, 19, 20, 21, 22, 23}},
        {0, 0x5123, 2, {0, 1, 2, 3, 4, 5, 6, 7}},  // stored only
        {0, 0x512B, 1, {8, 9, 10, 11, 12, 13, 14, 15}},
        {1, 0x5123, 3, {12, 13, 14, 15, 4, 5, 6, 7}},
        {1, 0x5127, 3, {0, 1, 2, 3, 12, 13, 14, 15}},
        {1, 0x512B, 3, {12, 13, 14, 15, 12, 13, 14, 15}},
        {2, 0x5121, 5, {10, 11, 2, 3, 4, 5, 6, 7}},
        {2, 0x5125, 5, {0, 1, 2, 3, 10, 11, 6, 7}},
        {2, 0x5129, 5, {10, 11, 2, 3, 10, 11, 6, 7}},
        {2, 0x512B, 5, {0, 1, 10, 11, 4, 5, 10, 11}},
        {3, 0x5122, 40, {0, 1, 40, 3, 4, 5, 6, 7}},
        {3, 0x512A, 40, {0, 1, 40, 3, 4, 5, 40, 7}},
        {3, 0x5126, 99, {0, 1, 2, 3, 4, 5, 35, 7}},  // reduced: 99 AND 63
    };
    for (const ChrCase& c : cases) {
        ASSERT_TRUE(LoadMmc5());
        ppu.spriteHeightMinus1 = 7;
        CpuWrite(0x5101, c.mode);
        CpuWrite(c.reg, c.value);
        for (int page = 0; page < 8; ++page)
            EXPECT_EQ(ChrUnitAt(0x400 * page), c.unitAt[page])
                << int{c.mode} << " " << std::hex << c.reg << " page " << page;
    }
}

TEST(Mmc5, SetBWithTallSpritesFillsTheBackgroundCopy) {
    ASSERT_TRUE(LoadMmc5());
    ppu.spriteHeightMinus1 = 15;
    CpuWrite(0x5101, 2);
    CpuWrite(0x5129, 5);  // 2 KB bank 5 into both halves of the copy
    for (int page = 0; page < 8; ++page) EXPECT_EQ(ChrUnitAt(0x400 * page), page);  // unmapped
    const int expected[8] = {10, 11, 0, 0, 10, 11, 0, 0};
    for (int page = 0; page < 8; ++page) {
        int seen = mmc5.mmc5BgChr[0x400 * page + 0x3FF];
        EXPECT_EQ(seen, expected[page] ? 0x80 + expected[page] : 0) << page;
    }
    ppu.spriteHeightMinus1 = 7;
}

TEST(Mmc5, IrqStatusReadAcknowledges) {
    ASSERT_TRUE(LoadMmc5());
    mmc5.mmc5IrqPending = 1;
    mmc5.mmc5InFrame = 1;
    cpu.irqLine = 0;
    EXPECT_EQ(CpuRead(0x5204), 0xC0);
    EXPECT_EQ(cpu.irqLine, 1u);
    EXPECT_EQ(CpuRead(0x5204), 0x40);
    CpuWrite(0x5204, 0xFF);
    EXPECT_EQ(mmc5.mmc5IrqEnable, 0x80u);
    mmc5.mmc5IrqPending = 1;
    EXPECT_TRUE(Mmc5IrqAsserting());
    CpuWrite(0x5204, 0x7F);
    EXPECT_FALSE(Mmc5IrqAsserting());
}

TEST(Mmc5, RestoredBlockBringsBackRamPagesAndHandlers) {
    ASSERT_TRUE(LoadMmc5());
    CpuWrite(0x5114, 0x03);  // RAM bank 3 at $8000
    CpuWrite(0x8000, 0x3C);
    auto saved = std::make_unique<Mmc5State>(mmc5);
    CpuWrite(0x5114, 0x80);
    CpuWrite(0x5113, 6);
    ASSERT_EQ(PrgUnitAt(0x8000), 0);
    std::memcpy(&mmc5, saved.get(), sizeof mmc5);
    Mmc5RebuildRamPointers();
    EXPECT_EQ(CpuRead(0x8000), 0x3C);
    EXPECT_EQ(CpuRead(0x6000), 0);  // RAM bank 0 again: $5113 was not written then
}

TEST(Mmc5, CorruptRestoredBankNumbersStayInsideTheRam) {
    ASSERT_TRUE(LoadMmc5());
    for (uint32_t& bank : mmc5.mmc5PrgPageBank) bank = 0xFFFFFFFF;
    Mmc5RebuildRamPointers();
    for (int page = 6; page < 16; ++page) {
        EXPECT_GE(mmc5RamPagePtr[page], mmc5.mmc5PrgRam) << page;
        EXPECT_LE(mmc5RamPagePtr[page] + 4096, mmc5.mmc5PrgRam + sizeof mmc5.mmc5PrgRam) << page;
    }
}

TEST(Mmc5, DroppedRegisters) {
    ASSERT_TRUE(LoadMmc5());
    auto before = std::make_unique<Mmc5State>(mmc5);
    const uint32_t dropped[] = {0x5000, 0x5015, 0x50FF, 0x5108, 0x5112, 0x5118, 0x511F,
                                0x512C, 0x5131, 0x5200, 0x5202, 0x5207, 0x5BFF};
    for (uint32_t address : dropped) CpuWrite(address, 0xFF);
    EXPECT_EQ(std::memcmp(before.get(), &mmc5, sizeof mmc5), 0);
    CpuWrite(0x5106, 0x12);
    CpuWrite(0x5107, 0xFF);
    EXPECT_EQ(mmc5.mmc5FillTile, 0x12);
    EXPECT_EQ(mmc5.mmc5FillAttr, 3);
}

}  // namespace
}  // namespace morvel::test
