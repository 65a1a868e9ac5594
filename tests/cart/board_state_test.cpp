// Save states keep what a board holds beyond its bank numbers: CPROM's 16 KB
// of CHR RAM behind its switched window, the CHR RAM a board banks like CHR
// ROM, mapper 185's latch (whether the CHR
// ROM answers), Action 52's latch and RAM cells, and the nametable
// arrangement, wired or chosen by a register. The page tables are not part of
// a state, so after a load each board must rebuild the arrangement its saved
// registers choose. Each case does what a game did, saves a slot, changes what
// the probe shows, loads the slot and expects the first view back.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "cart/board_probe.h"
#include "cart/cartridge.h"
#include "core/machine.h"
#include "core/save_state.h"
#include "ppu/ppu_bus.h"
#include "support/run_headless.h"

namespace morvel::test {
namespace {

struct StateCase {
    const char* what;
    int mapper, prgUnits, chrUnits, flags6;  // flags6 bit 0: the header's vertical mirroring
    std::function<void()> saved, changed;    // what the game did before and after the save
    std::function<int()> probe;
    int expected;         // what the probe shows after `saved`, worked out from the board's wiring
    bool changes = true;  // whether `changed` changes what the probe shows
};

// The nametable page of each quarter as four decimal digits.
int Quarters() {
    return NametableAt(0) * 1000 + NametableAt(1) * 100 + NametableAt(2) * 10 + NametableAt(3);
}
constexpr int kVertical = 101, kHorizontal = 11, kSecondOnly = 1111;

std::function<void()> Write(uint32_t address, uint8_t value) {
    return [=] { CpuWrite(address, value); };
}

// The test images fill PRG 4 KB unit u with u and CHR 1 KB unit u with $80 + u.
const StateCase kCases[] = {
    {"CPROM", 13, 2, 0, 0,
     [] {
         CpuWrite(0x8000, 2);
         PpuBusWrite(0x1000, 0x5A);
         PpuBusWrite(0x0000, 0x3C);
     },
     [] {
         PpuBusWrite(0x1000, 0x22);
         CpuWrite(0x8000, 1);
         PpuBusWrite(0x1000, 0x11);
         PpuBusWrite(0x0000, 0x00);
     },
     [] { return PpuBusRead(0x1000) << 8 | PpuBusRead(0x0000); }, 0x5A3C},
    // Without CHR ROM a board that banks its CHR data banks the CHR RAM.
    {"VRC2 CHR RAM", 22, 2, 0, 0, [] { PpuBusWrite(0x0400, 0x5A); },
     [] { PpuBusWrite(0x0400, 0x11); }, [] { return static_cast<int>(PpuBusRead(0x0400)); }, 0x5A},
    {"mapper 185", 185, 2, 1, 0, Write(0x8000, 0x01), Write(0x8000, 0x00),
     [] { return static_cast<int>(PpuBusRead(0x0155)); }, 0x80},
    {"Action 52", 228, 4, 1, 0,
     [] {
         CpuWrite(0x4021, 0x07);
         CpuWrite(0x8000 | (3 << 6) | 0x20, 0);  // 16 KB bank 3 at $8000 and $C000
     },
     [] {
         CpuWrite(0x4021, 0x02);
         CpuWrite(0x8020, 0);
     },
     [] { return CpuRead(0xC000) << 8 | (CpuRead(0x5FFD) & 0x0F); }, 12 << 8 | 7},
    // Wired vertical, kept from before the board picked one screen.
    {"mapper 152: wired vertical", 152, 2, 1, 1, [] {}, Write(0x8000, 0x80), Quarters, kVertical},
    {"AOROM: wired vertical", 7, 4, 0, 1, [] {}, Write(0x8000, 0x10), Quarters, kVertical},
    {"MMC2 $F000 = 1: horizontal over the wired vertical", 9, 8, 4, 1, Write(0xF000, 1),
     Write(0xF000, 0), Quarters, kHorizontal},
    {"MMC4 $F000 = 1: horizontal", 10, 8, 8, 0, Write(0xF000, 1), Write(0xF000, 0), Quarters,
     kHorizontal},
    {"VRC1 $9000 bit 0: horizontal", 75, 8, 8, 0, Write(0x9000, 1), Write(0x9000, 0), Quarters,
     kHorizontal},
    {"G-101 $9000 bit 0: horizontal", 32, 8, 8, 0, Write(0x9000, 1), Write(0x9000, 0), Quarters,
     kHorizontal},
    {"TC0190 $8000 bit 6: horizontal", 33, 8, 8, 0, Write(0x8000, 0x40), Write(0x8000, 0), Quarters,
     kHorizontal},
    {"X1-005 $7EF6 = 1: vertical", 80, 8, 8, 0, Write(0x7EF6, 1), Write(0x7EF6, 0), Quarters,
     kVertical},
    {"Sunsoft-4 $E000 = 3: second nametable", 68, 8, 8, 0, Write(0xE000, 3), Write(0xE000, 0),
     Quarters, kSecondOnly},
    {"mapper 210 image taken as a 340: horizontal", 210, 8, 8, 1, Write(0xE000, 0xC0),
     Write(0xE000, 0x00), Quarters, kHorizontal},
    // A 175 has no arrangement register: the write after the save is ignored.
    {"mapper 210 image still a 175: the header's vertical", 210, 8, 8, 1, [] {},
     Write(0xE000, 0xC0), Quarters, kVertical, false},
};

TEST(BoardStates, ASlotKeepsWhatTheBoardHolds) {
    const std::string folder = MakeTempDir();
    PrepareSaveStates(folder.c_str());
    for (const StateCase& c : kCases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(LoadBoard(c.mapper, c.prgUnits, c.chrUnits, static_cast<uint8_t>(c.flags6)));
        ClearStateSlots();
        SetStateFileName((folder + "/game.nes").c_str());
        c.saved();
        ASSERT_EQ(c.probe(), c.expected);
        ASSERT_EQ(SaveStateSlot(0), 1);
        c.changed();
        if (c.changes) {
            ASSERT_NE(c.probe(), c.expected);
        }
        ASSERT_EQ(LoadStateSlot(0), 1) << stateError;
        EXPECT_EQ(c.probe(), c.expected);
    }
    ReleaseCartridge();
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace morvel::test
