// The simple boards: which PRG and CHR units and nametable pages a game sees
// after each register write. In the test images every byte of PRG 4 KB unit u
// reads u, and every byte of CHR 1 KB unit u reads $80 + u.
#include <gtest/gtest.h>

#include "cart/board.h"
#include "cart/cartridge.h"
#include "core/memory_map.h"
#include "ppu/ppu.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

// The 4 KB PRG unit mapped at each CPU page 8-15.
std::vector<int> PrgUnits() {
    std::vector<int> units;
    for (uint32_t page = 8; page < 16; ++page) units.push_back(CpuRead(page << 12 | 0x123));
    return units;
}

// The 1 KB CHR unit mapped at each pattern page.
std::vector<int> ChrUnits() {
    std::vector<int> units;
    for (uint32_t page = 0; page < 8; ++page) units.push_back(PpuBusRead(page << 10 | 0x45) - 0x80);
    return units;
}

// The nametable page behind each of $2000, $2400, $2800, $2C00 (and the
// mirror at $3000), found by writing a marker through one and reading all.
std::vector<int> NametablePages() {
    for (int page = 0; page < 4; ++page) ppu.nametableRam[page][0x10] = static_cast<uint8_t>(page);
    std::vector<int> pages;
    for (uint32_t slot = 0; slot < 4; ++slot) {
        uint32_t address = 0x2000 + slot * 0x400 + 0x10;
        EXPECT_EQ(PpuBusRead(address), PpuBusRead(address + 0x1000)) << "the $3000 mirror";
        pages.push_back(PpuBusRead(address));
    }
    return pages;
}

using V = std::vector<int>;

TEST(SimpleBoards, Nrom) {
    ASSERT_EQ(LoadImage(MakeInesImage(0, 1, 1)), 1);
    EXPECT_EQ(PrgUnits(), (V{0, 1, 2, 3, 0, 1, 2, 3}));
    EXPECT_EQ(ChrUnits(), (V{0, 1, 2, 3, 4, 5, 6, 7}));
    CpuWrite(0x8010, 0x99);
    EXPECT_EQ(CpuRead(0xC010), 0x99) << "a PRG write is seen through both windows";

    ASSERT_EQ(LoadImage(MakeInesImage(0, 2, 1, 0x01)), 1);
    EXPECT_EQ(PrgUnits(), (V{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(NametablePages(), (V{0, 1, 0, 1})) << "vertical from the header";
}

TEST(SimpleBoards, Unrom) {
    ASSERT_EQ(LoadImage(MakeInesImage(2, 8, 0)), 1);
    EXPECT_EQ(PrgUnits(), (V{0, 1, 2, 3, 28, 29, 30, 31}));
    CpuWrite(0x8000, 5);
    EXPECT_EQ(PrgUnits(), (V{20, 21, 22, 23, 28, 29, 30, 31}));
    CpuWrite(0xFFFF, 13);
    EXPECT_EQ(PrgUnits(), (V{20, 21, 22, 23, 28, 29, 30, 31})) << "13 AND 7 = 5";
    EXPECT_EQ(NametablePages(), (V{0, 0, 1, 1})) << "horizontal from the header";
    // Pattern pages are CHR RAM whatever the header says.
    ASSERT_EQ(LoadImage(MakeInesImage(2, 2, 1)), 1);
    PpuBusWrite(0x0123, 0x6B);
    EXPECT_EQ(chrRam[0x0123], 0x6B);
}

TEST(SimpleBoards, Cnrom) {
    ASSERT_EQ(LoadImage(MakeInesImage(3, 2, 4)), 1);
    EXPECT_EQ(ChrUnits(), (V{0, 1, 2, 3, 4, 5, 6, 7}));
    CpuWrite(0x8000, 6);
    EXPECT_EQ(ChrUnits(), (V{16, 17, 18, 19, 20, 21, 22, 23})) << "6 AND 3 = bank 2";
    CpuWrite(0x8000, 0x55);
    EXPECT_EQ(CpuRead(0x8000), 0) << "the register does not write into PRG";
}

TEST(SimpleBoards, Aorom) {
    ASSERT_EQ(LoadImage(MakeInesImage(7, 16, 0)), 1);
    EXPECT_EQ(PrgUnits(), (V{0, 1, 2, 3, 4, 5, 6, 7}));
    CpuWrite(0x8000, 0x10);
    EXPECT_EQ(NametablePages(), (V{0, 0, 0, 0}));
    EXPECT_EQ(banks.mirroringState, 2u);
    CpuWrite(0x8000, 0x00);
    EXPECT_EQ(NametablePages(), (V{1, 1, 1, 1}));
    EXPECT_EQ(banks.mirroringState, 3u);
    CpuWrite(0x8000, 0x0F);
    EXPECT_EQ(PrgUnits(), (V{56, 57, 58, 59, 60, 61, 62, 63})) << "32 KB bank 7";

    // A bank beyond a smaller image wraps inside it instead of reading past it.
    ASSERT_EQ(LoadImage(MakeInesImage(7, 4, 0)), 1);
    CpuWrite(0x8000, 0x07);
    EXPECT_EQ(PrgUnits(), (V{8, 9, 10, 11, 12, 13, 14, 15}));
}

TEST(SimpleBoards, Bxrom) {
    ASSERT_EQ(LoadImage(MakeInesImage(34, 8, 1)), 1);
    CpuWrite(0x8000, 3);
    EXPECT_EQ(PrgUnits(), (V{24, 25, 26, 27, 28, 29, 30, 31}));
    CpuWrite(0x8000, 5);
    EXPECT_EQ(PrgUnits(), (V{8, 9, 10, 11, 12, 13, 14, 15})) << "5 AND 3 = 1";
}

TEST(SimpleBoards, Mapper58) {
    ASSERT_EQ(LoadImage(MakeInesImage(58, 8, 8)), 1);
    CpuWrite(0x80C5, 0);
    EXPECT_EQ(PrgUnits(), (V{20, 21, 22, 23, 20, 21, 22, 23})) << "16 KB bank 5 twice";
    EXPECT_EQ(NametablePages(), (V{0, 0, 1, 1}));
    CpuWrite(0x8005, 0);
    EXPECT_EQ(PrgUnits(), (V{16, 17, 18, 19, 20, 21, 22, 23})) << "32 KB from 16 KB bank 4";
    EXPECT_EQ(NametablePages(), (V{0, 1, 0, 1}));
    CpuWrite(0x8000 | (3 << 3), 0);
    EXPECT_EQ(ChrUnits(), (V{24, 25, 26, 27, 28, 29, 30, 31}));
    // 16 KB bank 7 of a 4-unit image wraps to bank 3.
    ASSERT_EQ(LoadImage(MakeInesImage(58, 4, 1)), 1);
    CpuWrite(0x80C7, 0);
    EXPECT_EQ(PrgUnits(), (V{12, 13, 14, 15, 12, 13, 14, 15}));
}

TEST(SimpleBoards, Mapper226) {
    ASSERT_EQ(LoadImage(MakeInesImage(226, 64, 1)), 1);
    CpuWrite(0x8000, 0x80);
    EXPECT_EQ(PrgUnits(), (V{128, 129, 130, 131, 132, 133, 134, 135})) << "page 32: 32 KB bank 16";
    EXPECT_EQ(NametablePages(), (V{0, 0, 1, 1}));
    CpuWrite(0x8001, 0x61);
    // page 65 in 16 KB mode, reduced AND 63 to bank 1; bit 6 selects vertical.
    EXPECT_EQ(PrgUnits(), (V{4, 5, 6, 7, 4, 5, 6, 7}));
    EXPECT_EQ(NametablePages(), (V{0, 1, 0, 1}));
    // A small image: 32 KB bank 16 wraps inside 64 KB.
    ASSERT_EQ(LoadImage(MakeInesImage(226, 4, 1)), 1);
    CpuWrite(0x8000, 0x80);
    EXPECT_EQ(PrgUnits(), (V{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(SimpleBoards, FourScreenNametables) {
    ASSERT_EQ(LoadImage(MakeInesImage(0, 1, 1, 0x08 | 0x01)), 1);
    EXPECT_EQ(NametablePages(), (V{0, 1, 2, 3}));
}

TEST(SimpleBoards, SetMirroringModes) {
    ASSERT_EQ(LoadImage(MakeInesImage(0, 1, 1)), 1);
    const V expected[5] = {{0, 0, 1, 1}, {0, 1, 0, 1}, {0, 0, 0, 0}, {1, 1, 1, 1}, {0, 1, 2, 3}};
    for (uint32_t mode = 0; mode < 5; ++mode) {
        SetMirroring(mode);
        EXPECT_EQ(NametablePages(), expected[mode]) << "mode " << mode;
    }
    SetMirroring(9);
    EXPECT_EQ(NametablePages(), expected[4]) << "an unknown mode changes nothing";
}

}  // namespace
}  // namespace morvel::test
