// Every supported board survives random register writes and random PPU
// accesses: no window ever leaves the loaded data. Run it under the address
// sanitizer to catch any stray access the pointer checks below cannot see.
#include <gtest/gtest.h>

#include <random>

#include "cart/board_probe.h"
#include "cart/cartridge.h"
#include "cart/mmc5.h"
#include "core/cpu.h"

namespace morvel::test {
namespace {

struct Shape {
    int prgUnits;  // 16 KB
    int chrUnits;  // 8 KB, 0 for CHR RAM
};

// Sizes that are powers of two, odd sizes and CHR RAM.
const Shape kShapes[] = {{1, 0}, {2, 1}, {3, 3}, {8, 16}, {5, 0}};

bool Inside(const uint8_t* p, size_t span, const uint8_t* base, size_t size) {
    return p >= base && p + span <= base + size;
}

void ExpectWindowsInside(int mapper) {
    for (int page = 8; page < 16; ++page)
        EXPECT_TRUE(Inside(prgPagePtr[page], 4096, prgRomBuffer.data(), prgRomBuffer.size()))
            << "mapper " << mapper << " PRG page " << page;
    for (int page = 0; page < 8; ++page)
        EXPECT_TRUE(Inside(chrPagePtr[page], 1024, chrRomBuffer.data(), chrRomBuffer.size()))
            << "mapper " << mapper << " CHR page " << page;
    if (mapper != 5) return;
    for (int page = 6; page < 16; ++page)
        EXPECT_TRUE(Inside(mmc5RamPagePtr[page], 4096, mmc5.mmc5PrgRam, sizeof mmc5.mmc5PrgRam))
            << "MMC5 RAM page " << page;
}

// A few thousand random CPU writes and reads of $4000-$FFFF and PPU reads
// and writes of $0000-$3FFF, with the PPU's sprite height and scanline
// changing under them (the MMC5 looks at both).
void Shake(std::mt19937& random) {
    std::uniform_int_distribution<uint32_t> cpuAddress(0x4000, 0xFFFF);
    std::uniform_int_distribution<uint32_t> ppuAddress(0x0000, 0x3FFF);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> action(0, 9);
    for (int i = 0; i < 4000; ++i) {
        switch (action(random)) {
            case 0: CpuRead(cpuAddress(random)); break;
            case 1: PpuBusRead(ppuAddress(random)); break;
            case 2: PpuBusWrite(ppuAddress(random), static_cast<uint8_t>(byte(random))); break;
            case 3:
                ppu.spriteHeightMinus1 = (byte(random) & 1) ? 15 : 7;
                ppu.scanline = byte(random) % 262;
                break;
            default: CpuWrite(cpuAddress(random), static_cast<uint8_t>(byte(random))); break;
        }
    }
    cpu.dmaActive = 0;
}

TEST(BoardFuzz, RandomWritesKeepEveryWindowInsideTheData) {
    std::mt19937 random(20240601);
    for (const SupportedBoard& board : supportedBoards) {
        for (const Shape& shape : kShapes) {
            if (board.maxPrgUnits && shape.prgUnits > board.maxPrgUnits) continue;
            ASSERT_TRUE(LoadBoard(board.mapper, shape.prgUnits, shape.chrUnits))
                << "mapper " << int{board.mapper};
            Shake(random);
            ExpectWindowsInside(board.mapper);
            RebuildBankPointers();
            if (board.afterStateLoad) board.afterStateLoad();
            ExpectWindowsInside(board.mapper);
        }
    }
    ppu.scanline = 0;
    ppu.spriteHeightMinus1 = 7;
}

}  // namespace
}  // namespace morvel::test
