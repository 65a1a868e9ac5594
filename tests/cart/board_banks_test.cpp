// MMC1, the MMC3 family (mappers 4, 118, 189) and the MMC5's CHR modes: what
// the CPU and the PPU see after a sequence of register writes. The other
// boards are checked by their test cartridges, the MMC1 and MMC3 end to end
// and the MMC3 counter by the outside cartridges.
#include <gtest/gtest.h>

#include <vector>

#include "cart/board_probe.h"
#include "cart/mmc1.h"
#include "cart/mmc5.h"
#include "core/cpu.h"
#include "core/frame_loop.h"

namespace morvel::test {
namespace {

// On MMC1 a register value goes in through bit 0 of `bits` writes, low bit
// first; a value with bit 7 set is the reset write, sent once.
struct Write {
    uint32_t address;
    uint8_t value;
    int bits = 5;
};

// What one address shows afterwards: below $2000 the CHR 1 KB unit (the test
// images fill unit u with $80 + u), at $2000-$2FFF the nametable page, from
// $4000 up the byte read (in the ROM windows the PRG 4 KB unit).
struct Probe {
    uint32_t address;
    int seen;
};

struct Case {
    const char* what;
    int mapper, prgUnits, chrUnits;  // 16 KB and 8 KB units
    uint8_t flags6;
    std::vector<Write> writes;
    std::vector<Probe> probes;
};

int Seen(uint32_t address) {
    if (address < 0x2000) return ChrUnitAt(address);
    return address < 0x4000 ? NametableAt(int(address - 0x2000) >> 10) : PrgUnitAt(address);
}

void RunCase(const Case& c) {
    ASSERT_TRUE(LoadBoard(c.mapper, c.prgUnits, c.chrUnits, c.flags6)) << c.what;
    for (const Write& w : c.writes) {
        const bool serial = c.mapper == 1 && w.address >= 0x8000 && !(w.value & 0x80);
        for (int bit = 0; bit < (serial ? w.bits : 1); ++bit)
            CpuWrite(w.address, serial ? (w.value >> bit) & 1 : w.value);
    }
    for (const Probe& p : c.probes)
        EXPECT_EQ(Seen(p.address), p.seen) << c.what << " at " << std::hex << p.address;
}

const std::vector<Probe> kOneScreen0 = {{0x2000, 0}, {0x2400, 0}, {0x2800, 0}, {0x2C00, 0}};
const std::vector<Probe> kOneScreen1 = {{0x2000, 1}, {0x2400, 1}, {0x2800, 1}, {0x2C00, 1}};
const std::vector<Probe> kVertical = {{0x2000, 0}, {0x2400, 1}, {0x2800, 0}, {0x2C00, 1}};
const std::vector<Probe> kHorizontal = {{0x2000, 0}, {0x2400, 0}, {0x2800, 1}, {0x2C00, 1}};

// MMC1 with 16 or 8 PRG banks of 16 KB and eight CHR banks of 4 KB; the
// header asks for vertical mirroring.
TEST(Mmc1, RegisterWrites) {
    // clang-format off
    const Case cases[] = {
        {"power-on: control $0C", 1, 16, 4, 1, {}, {{0x8000, 0}, {0xC000, 60}, {0x1000, 4}}},
        {"power-on: one-screen", 1, 16, 4, 1, {}, kOneScreen0},
        {"PRG mode 3", 1, 16, 4, 1, {{0x8000, 0x0C}, {0xE000, 9}}, {{0x8000, 36}, {0xC000, 60}}},
        {"PRG mode 2", 1, 16, 4, 1, {{0x8000, 0x08}, {0xE000, 9}}, {{0x8000, 0}, {0xC000, 36}}},
        {"PRG mode 0", 1, 16, 4, 1, {{0x8000, 0x00}, {0xE000, 9}}, {{0x8000, 32}, {0xC000, 36}}},
        {"PRG mode 1", 1, 16, 4, 1, {{0x8000, 0x04}, {0xE000, 9}}, {{0x8000, 32}, {0xC000, 36}}},
        {"9 AND 7", 1, 8, 4, 1, {{0x8000, 0x0C}, {0xE000, 9}}, {{0x8000, 4}, {0xC000, 28}}},
        {"32 KB: 13 >> 1 AND 3", 1, 8, 4, 1, {{0x8000, 0}, {0xE000, 13}}, {{0x8000, 16}}},
        {"reset write: PRG mode 3", 1, 16, 4, 1, {{0x8000, 0x00}, {0xE000, 4}, {0x8000, 0xFF}},
         {{0x8000, 16}, {0xC000, 60}}},
        {"reset write drops the bits", 1, 16, 4, 1, {{0xE000, 3, 2}, {0xE000, 0x80}, {0xE000, 9}},
         {{0x8000, 36}}},
        {"control without PRG bits", 1, 8, 4, 1, {{0xE000, 3}, {0x8000, 0x10}}, kOneScreen0},
        {"... leaves PRG", 1, 8, 4, 1, {{0xE000, 3}, {0x8000, 0x10}}, {{0x8000, 12}, {0xC000, 28}}},
        {"CHR 8 KB", 1, 2, 4, 1, {{0x8000, 0x0C}, {0xA000, 3}}, {{0x0000, 8}, {0x1000, 12}}},
        {"CHR 8 KB: no upper", 1, 2, 4, 1, {{0x8000, 0x0C}, {0xC000, 3}}, {{0x1000, 4}}},
        {"CHR 4 KB lower", 1, 2, 4, 1, {{0x8000, 0x1C}, {0xA000, 3}}, {{0x0000, 12}, {0x1000, 4}}},
        {"CHR 4 KB upper", 1, 2, 4, 1, {{0x8000, 0x1C}, {0xC000, 5}}, {{0x0000, 0}, {0x1000, 20}}},
        {"CHR 9 AND 7", 1, 2, 4, 1, {{0x8000, 0x1C}, {0xC000, 9}}, {{0x1000, 4}}},
        {"control 0", 1, 2, 4, 1, {{0x8000, 0x0D}, {0x8000, 0x0C}}, kOneScreen0},
        {"control 1", 1, 2, 4, 1, {{0x8000, 0x0D}}, kOneScreen1},
        {"control 2", 1, 2, 4, 0, {{0x8000, 0x0E}}, kVertical},
        {"control 3", 1, 2, 4, 1, {{0x8000, 0x0F}}, kHorizontal},
        {"PRG bit 4 protects the work RAM", 1, 2, 4, 1,
         {{0x6000, 0x11}, {0xE000, 0x10}, {0x6000, 0x22}}, {{0x6000, 0x11}}},
    };
    // clang-format on
    for (const Case& c : cases) RunCase(c);
}

// A read-modify-write on the MMC1 writes its register twice on consecutive
// cycles (the old value, then the new one): only the first counts.
TEST(Mmc1, TakesTheFirstOfTwoWritesInARow) {
    ASSERT_TRUE(LoadBoard(1, 2, 4, 1));
    const uint8_t incAt8000[] = {0xEE, 0x00, 0x80};  // $8000 reads 0 (PRG unit 0)
    std::copy(std::begin(incAt8000), std::end(incAt8000), cpu.cpuRam);
    cpu.pc = 0;
    cpu.extraCycles = 0;
    CpuStep();
    EXPECT_EQ(mmc1.mmc1ShiftCount, 1);
    EXPECT_EQ(mmc1.mmc1Shift, 0);
}

// Mapper 4 with eight PRG banks of 8 KB and 32 CHR banks of 1 KB unless a
// row says otherwise, then mappers 118 and 189.
TEST(Mmc3Family, RegisterWrites) {
    // clang-format off
    const Case cases[] = {
        {"power-on", 4, 4, 4, 0, {},
         {{0x8000, 0}, {0xA000, 4}, {0xC000, 12}, {0xE000, 14}, {0x0000, 0}, {0x1C00, 7}}},
        {"bit 6 moves the second-last bank", 4, 4, 4, 0, {{0x8000, 0x46}},
         {{0x8000, 12}, {0xC000, 12}}},
        {"R6 at $C000", 4, 4, 4, 0, {{0x8000, 0x46}, {0x8001, 3}}, {{0x8000, 12}, {0xC000, 6}}},
        {"bit 6 clear again", 4, 4, 4, 0, {{0x8000, 0x46}, {0x8001, 3}, {0x8000, 0x06}},
         {{0x8000, 12}, {0xC000, 12}}},
        {"R6 at $8000", 4, 4, 4, 0, {{0x8000, 0x06}, {0x8001, 1}}, {{0x8000, 2}}},
        {"R7: 9 AND 7", 4, 4, 4, 0, {{0x8000, 0x07}, {0x8001, 9}}, {{0xA000, 2}}},
        {"CHR normal", 4, 2, 4, 0,
         {{0x8000, 0}, {0x8001, 8}, {0x8000, 1}, {0x8001, 11}, {0x8000, 2}, {0x8001, 5},
          {0x8000, 3}, {0x8001, 6}, {0x8000, 4}, {0x8001, 7}, {0x8000, 5}, {0x8001, 33}},
         {{0x0000, 8}, {0x0400, 9}, {0x0800, 10}, {0x0C00, 11}, {0x1000, 5}, {0x1400, 6},
          {0x1800, 7}, {0x1C00, 1}}},
        {"CHR inverted", 4, 2, 4, 0,
         {{0x8000, 0x80}, {0x8001, 8}, {0x8000, 0x81}, {0x8001, 4}, {0x8000, 0x82}, {0x8001, 5},
          {0x8000, 0x83}, {0x8001, 6}, {0x8000, 0x84}, {0x8001, 7}, {0x8000, 0x85}, {0x8001, 9}},
         {{0x0000, 5}, {0x0400, 6}, {0x0800, 7}, {0x0C00, 9}, {0x1000, 8}, {0x1400, 9},
          {0x1800, 4}, {0x1C00, 5}}},
        {"$A000 = 1", 4, 2, 2, 1, {{0xA000, 1}}, kHorizontal},
        {"$A000 = 0", 4, 2, 2, 0, {{0xA000, 0}}, kVertical},
        {"four-screen header", 4, 2, 2, 0x09, {},
         {{0x2000, 0}, {0x2400, 1}, {0x2800, 2}, {0x2C00, 3}}},
        {"work RAM on", 4, 2, 2, 0, {{0x6000, 0x11}, {0xA001, 0x80}, {0x6000, 0x77}},
         {{0x6000, 0x77}}},
        {"work RAM read-only", 4, 2, 2, 0, {{0x6000, 0x11}, {0xA001, 0xC0}, {0x6000, 0x77}},
         {{0x6000, 0x11}}},
        {"work RAM off", 4, 2, 2, 0, {{0x6000, 0x11}, {0xA001, 0x00}, {0x6000, 0x77}},
         {{0x6000, 0}}},
        {"work RAM on again", 4, 2, 2, 0,
         {{0x6000, 0x11}, {0xA001, 0x00}, {0x6000, 0x77}, {0xA001, 0x80}}, {{0x6000, 0x11}}},
        {"mapper 4: 8 CHR bits", 4, 2, 32, 0, {{0x8000, 2}, {0x8001, 0x85}}, {{0x1000, 0x85}}},
        {"118: 7 CHR bits", 118, 2, 32, 0, {{0x8000, 2}, {0x8001, 0x85}}, {{0x1000, 5}}},
        {"118: 6 bits for 2 KB", 118, 2, 32, 0, {{0x8000, 0}, {0x8001, 0x86}}, {{0x0000, 6}}},
        // $8002 mirrors the bank select without choosing the nametables.
        {"118: the header's until $8000", 118, 2, 8, 0,
         {{0x8002, 0}, {0x8001, 0x80}, {0x8002, 1}, {0x8001, 0}, {0xA000, 0}}, kHorizontal},
        {"118: normal layout", 118, 2, 8, 0,
         {{0x8002, 0}, {0x8001, 0x80}, {0x8002, 1}, {0x8001, 0}, {0x8000, 0}},
         {{0x2000, 1}, {0x2400, 1}, {0x2800, 0}, {0x2C00, 0}}},
        {"118: inverted layout", 118, 2, 8, 0,
         {{0x8002, 0x82}, {0x8001, 0}, {0x8002, 0x83}, {0x8001, 0x80}, {0x8002, 0x84},
          {0x8001, 0x80}, {0x8002, 0x85}, {0x8001, 0}, {0x8000, 0x80}},
         {{0x2000, 0}, {0x2400, 1}, {0x2800, 1}, {0x2C00, 0}}},
        {"189: power-on", 189, 16, 2, 0, {}, {{0x8000, 0}, {0xF000, 7}}},
        {"189: $4120 ORs its nibbles", 189, 16, 2, 0, {{0x4120, 0x21}}, {{0x8000, 24}}},
        {"189: $6105", 189, 16, 2, 0, {{0x6105, 2}, {0x610A, 5}}, {{0x8000, 16}}},
        {"189: 15 of 8 banks, R6 ignored", 189, 16, 2, 0,
         {{0x4120, 0xFF}, {0x8000, 6}, {0x8001, 3}}, {{0x8000, 56}}},
        {"189: $4000-$7FFF read 0", 189, 2, 2, 0, {{0x6000, 0x55}},
         {{0x6000, 0}, {0x6100, 0}, {0x5000, 0}}},
        {"189: CHR not masked by the count", 189, 2, 3, 0,
         {{0x8000, 2}, {0x8001, 30}, {0x8000, 0}, {0x8001, 61}}, {{0x1000, 6}, {0x0000, 12}}},
        {"mapper 4: CHR masked by the count", 4, 2, 3, 0, {{0x8000, 2}, {0x8001, 30}},
         {{0x1000, 22}}},
        {"189: $A000", 189, 2, 2, 0, {{0xA000, 1}}, kHorizontal},
    };
    // clang-format on
    for (const Case& c : cases) RunCase(c);
}

// The MMC5's CHR modes with 8x8 sprites, on 64 CHR banks of 1 KB (the MMC5
// cartridge, with 8 KB of CHR, checks the rest of the board).
TEST(Mmc5, ChrModes) {
    // clang-format off
    const Case cases[] = {
        {"mode 0", 5, 8, 8, 0, {{0x5101, 0}, {0x5127, 2}}, {{0x0000, 16}, {0x1C00, 23}}},
        {"mode 0: $5123 unused", 5, 8, 8, 0, {{0x5101, 0}, {0x5123, 2}}, {{0x0000, 0}}},
        {"mode 1: $5123", 5, 8, 8, 0, {{0x5101, 1}, {0x5123, 3}}, {{0x0000, 12}, {0x1000, 4}}},
        {"mode 1: $5127", 5, 8, 8, 0, {{0x5101, 1}, {0x5127, 3}}, {{0x0000, 0}, {0x1C00, 15}}},
        {"mode 1: set B", 5, 8, 8, 0, {{0x5101, 1}, {0x512B, 3}}, {{0x0000, 12}, {0x1000, 12}}},
        {"mode 2: $5121", 5, 8, 8, 0, {{0x5101, 2}, {0x5121, 5}},
         {{0x0000, 10}, {0x0400, 11}, {0x0800, 2}}},
        {"mode 2: $5125", 5, 8, 8, 0, {{0x5101, 2}, {0x5125, 5}}, {{0x1000, 10}, {0x0000, 0}}},
        {"mode 2: set B", 5, 8, 8, 0, {{0x5101, 2}, {0x512B, 5}},
         {{0x0000, 0}, {0x0800, 10}, {0x1800, 10}}},
        {"mode 3: $5122", 5, 8, 8, 0, {{0x5101, 3}, {0x5122, 40}}, {{0x0800, 40}, {0x1800, 6}}},
        {"mode 3: 99 AND 63", 5, 8, 8, 0, {{0x5101, 3}, {0x5126, 99}}, {{0x1800, 35}}},
    };
    // clang-format on
    for (const Case& c : cases) RunCase(c);
}

// The MMC5's interrupt line is its pending flag gated by the $5204 enable: a
// scanline reached while disabled interrupts the moment it is enabled, and
// disabling drops the line; reading $5204 clears the flag.
TEST(Mmc5, InterruptLineFollowsPendingAndEnable) {
    ASSERT_TRUE(LoadBoard(5, 8, 8));
    mmc5.mmc5IrqPending = 1;  // as the scanline detection leaves it
    const auto line = [] { return (cpuCycle.irqSources & kIrqBoard) != 0; };
    CpuWrite(0x5204, 0x80);
    EXPECT_TRUE(line()) << "enabled while pending";
    CpuWrite(0x5204, 0x00);
    EXPECT_FALSE(line()) << "disabled";
    CpuWrite(0x5204, 0x80);
    EXPECT_EQ(CpuRead(0x5204) & 0x80, 0x80);
    EXPECT_FALSE(line()) << "acknowledged by the read";
}

// A latch of 0 and one A12 rise through $2006: the later MMC3 interrupts, the
// earlier one (NES 2.0 submappers 1 and 4 of mapper 4) does not; $E000
// acknowledges. Byte 8 of an iNES 1.0 header is not a submapper.
TEST(Mmc3Family, CounterRevisionAndAddressWatch) {
    struct Row {
        int mapper;
        bool nes20;
        uint8_t byte8;
        bool interrupts;
    } rows[] = {{4, false, 0x40, true}, {4, true, 0x00, true},   {4, true, 0x10, false},
                {4, true, 0x40, false}, {118, true, 0x00, true}, {189, true, 0x00, true}};
    for (const Row& r : rows) {
        InesImage image = MakeInesImage(r.mapper, 2, 4);
        image.bytes[7] |= r.nes20 ? 0x08 : 0;
        image.bytes[8] = r.byte8;
        ASSERT_EQ(LoadImage(image), 1);
        for (Write w : {Write{0xC000, 0}, Write{0xE001, 0}, Write{0x2006, 0x00},
                        Write{0x2006, 0x00}, Write{0x2006, 0x10}, Write{0x2006, 0x00}})
            CpuWrite(w.address, w.value);
        EXPECT_EQ((cpuCycle.irqSources & kIrqBoard) != 0, r.interrupts)
            << r.mapper << " " << +r.byte8;
        CpuWrite(0xE000, 0);
        EXPECT_EQ(cpuCycle.irqSources & kIrqBoard, 0u) << r.mapper;
    }
}

// A frame with no sprite on screen: the eight sprite units still fetch, from
// tile $FF, which with 8x16 sprites lies at $1000 whatever $2000 says. With
// the background at $0000, only those fetches raise A12 once a line, and a
// latch of 100 ends in the interrupt within the frame.
TEST(Mmc3Family, EmptySpriteSlotsRaiseA12ByTheirSpriteSize) {
    const struct {
        uint8_t control;  // $2000
        bool interrupts;
    } rows[] = {{0x20, true}, {0x00, false}, {0x08, true}};
    for (const auto& r : rows) {
        InesImage image = MakeInesImage(4, 2, 4);
        SetVectors(image, 0xA000, 0xA000, 0xA000);  // unit 2 reads $02: the CPU halts
        ASSERT_EQ(LoadImage(image), 1);
        for (Write w : {Write{0xC000, 100}, Write{0xC001, 0}, Write{0xE001, 0},
                        Write{0x2000, r.control}, Write{0x2001, 0x18}, Write{0x2003, 0}})
            CpuWrite(w.address, w.value);
        for (int i = 0; i < 256; ++i) CpuWrite(0x2004, 0xFF);  // every sprite below the screen
        RunFrameBody();
        RunFrameBody();
        EXPECT_EQ((cpuCycle.irqSources & kIrqBoard) != 0, r.interrupts) << +r.control;
    }
}

TEST(Mmc3Family, Mapper189SetupClearsTheLastCartridgesRegistersAndKeepsDma) {
    ASSERT_TRUE(LoadBoard(4, 2, 4));
    CpuWrite(0x8000, 0x85);  // inverted layout, R5 selected
    ASSERT_TRUE(LoadBoard(189, 2, 4));
    // A cleared block is bank select 0: R0 in the normal layout, 2 KB bank 2
    // at $0000. The stale block would have sent the value to R5 at $0C00.
    CpuWrite(0x8001, 4);
    EXPECT_EQ(Seen(0x0000), 4);
    EXPECT_EQ(Seen(0x0C00), 3);
    cpu.dmaActive = 0;
    CpuWrite(0x4014, 0x02);  // $4014 still reaches the sprite DMA
    EXPECT_EQ(cpu.dmaActive, 1u);
    cpu.dmaActive = 0;
}

}  // namespace
}  // namespace morvel::test
