// Boards whose nametable arrangement is set by a register: the page tables
// are not part of a save state, so after a load each board must rebuild the
// arrangement its saved registers choose. Each case sets one arrangement,
// saves a slot, sets another, loads the slot and expects the first back.
#include <gtest/gtest.h>

#include <array>

#include "cart/board_probe.h"
#include "core/save_state.h"

namespace morvel::test {
namespace {

struct Write {
    uint32_t address;
    uint8_t value;
};

struct Case {
    const char* what;
    int mapper;
    uint8_t flags6;            // bit 0: the header's vertical mirroring
    Write saved;               // the write before the save (address 0: none)
    Write later;               // the write between the save and the load
    std::array<int, 4> pages;  // the nametable page of each quarter after the load
};

constexpr std::array<int, 4> kVertical = {0, 1, 0, 1};
constexpr std::array<int, 4> kHorizontal = {0, 0, 1, 1};
constexpr std::array<int, 4> kSecondOnly = {1, 1, 1, 1};

const Case kCases[] = {
    {"MMC4 $F000 = 1: horizontal", 10, 0, {0xF000, 1}, {0xF000, 0}, kHorizontal},
    {"VRC1 $9000 bit 0: horizontal", 75, 0, {0x9000, 1}, {0x9000, 0}, kHorizontal},
    {"G-101 $9000 bit 0: horizontal", 32, 0, {0x9000, 1}, {0x9000, 0}, kHorizontal},
    {"TC0190 $8000 bit 6: horizontal", 33, 0, {0x8000, 0x40}, {0x8000, 0}, kHorizontal},
    {"X1-005 $7EF6 = 1: vertical", 80, 0, {0x7EF6, 1}, {0x7EF6, 0}, kVertical},
    {"Sunsoft-4 $E000 = 3: second nametable", 68, 0, {0xE000, 3}, {0xE000, 0}, kSecondOnly},
    {"mapper 210 image taken as a 340: horizontal",
     210,
     1,
     {0xE000, 0xC0},
     {0xE000, 0x00},
     kHorizontal},
    {"mapper 210 image still a 175: the header's vertical",
     210,
     1,
     {0, 0},
     {0xE000, 0xC0},
     kVertical},
};

TEST(RegisterMirroringState, LoadRebuildsTheSavedArrangement) {
    for (const Case& c : kCases) {
        ASSERT_TRUE(LoadBoard(c.mapper, 8, 8, c.flags6)) << c.what;
        if (c.saved.address) CpuWrite(c.saved.address, c.saved.value);
        ASSERT_EQ(SaveStateSlot(0), 1) << c.what;
        CpuWrite(c.later.address, c.later.value);
        ASSERT_EQ(LoadStateSlot(0), 1) << c.what << ": " << stateError;
        for (int q = 0; q < 4; ++q)
            EXPECT_EQ(NametableAt(q), c.pages[q]) << c.what << ", quarter " << q;
    }
}

}  // namespace
}  // namespace morvel::test
