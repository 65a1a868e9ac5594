// Save states keep what the discrete-logic boards hold beyond bank numbers:
// CPROM's 16 KB of CHR RAM behind its switched window, mapper 185's latch
// (whether the CHR ROM answers), Action 52's latch and RAM cells, and the
// wired mirroring of a state saved before mapper 152 or AOROM picked one screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "cart/board_probe.h"
#include "cart/cartridge.h"
#include "core/machine.h"
#include "core/memory_map.h"
#include "core/save_state.h"
#include "ppu/ppu_bus.h"
#include "support/run_headless.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

struct StateCase {
    const char* board;
    int mapper, prgUnits, chrUnits, flags6;
    std::function<void()> saved, changed;  // what the game did before and after the save
    std::function<int()> probe;
    int expected;  // what the probe shows after `saved`, worked out from the board's wiring
};

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
    {"mapper 185", 185, 2, 1, 0, [] { CpuWrite(0x8000, 0x01); }, [] { CpuWrite(0x8000, 0x00); },
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
    // Wired vertical: the first two quarters show nametables 0 and 1.
    {"mapper 152", 152, 2, 1, 1, [] {}, [] { CpuWrite(0x8000, 0x80); },
     [] { return NametableAt(0) * 10 + NametableAt(1); }, 1},
    {"AOROM", 7, 4, 0, 1, [] {}, [] { CpuWrite(0x8000, 0x10); },
     [] { return NametableAt(0) * 10 + NametableAt(1); }, 1},
};

TEST(DiscreteBoardStates, ASlotKeepsWhatTheBoardHolds) {
    const std::string folder = MakeTempDir();
    PrepareSaveStates(folder.c_str());
    for (const StateCase& c : kCases) {
        SCOPED_TRACE(c.board);
        const InesImage image =
            MakeInesImage(c.mapper, c.prgUnits, c.chrUnits, static_cast<uint8_t>(c.flags6));
        ASSERT_EQ(StartCartridge(WriteTempFile(image.bytes).c_str()), 1);
        ClearStateSlots();
        SetStateFileName((folder + "/game.nes").c_str());
        c.saved();
        ASSERT_EQ(c.probe(), c.expected);
        ASSERT_EQ(SaveStateSlot(0), 1);
        c.changed();
        ASSERT_NE(c.probe(), c.expected);
        ASSERT_EQ(LoadStateSlot(0), 1);
        EXPECT_EQ(c.probe(), c.expected);
    }
    ReleaseCartridge();
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace morvel::test
