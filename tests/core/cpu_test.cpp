// The CPU's own rules that the outside instruction cartridges do not see (they
// check every official instruction, its flags, cycles and addressing): the
// undocumented and halting opcodes, interrupt entry and its delays, sprite DMA.
#include "core/cpu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/memory_map.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

// Flat memory with the reset vector at $8000, NMI at $9000 and IRQ/BRK at $A000.
void PowerOnFlat(std::initializer_list<uint8_t> code) {
    InstallFlatMemory();
    const uint8_t vectors[] = {0x00, 0x90, 0x00, 0x80, 0x00, 0xA0};
    std::copy(std::begin(vectors), std::end(vectors), flatMemory + 0xFFFA);
    std::copy(code.begin(), code.end(), flatMemory + 0x8000);
    CpuPowerOn();
}

uint8_t Pushed(int depth) {
    return cpu.cpuRam[0x100 + ((cpu.s + depth) & 0xFF)];
}

// Undocumented opcodes run as no-operations of their length and base cycles,
// with the page-cross cost of their addressing; the halting ones ($02...)
// take no cycles.
TEST(Cpu, UndocumentedOpcodesDoNothing) {
    struct NopCase {
        uint8_t opcode, x;
        uint16_t length;
        int32_t cycles;
    };
    const NopCase cases[] = {
        {0x1A, 0, 1, 2}, {0xFA, 0, 1, 2}, {0x0C, 0, 3, 4}, {0xA7, 0, 2, 3},
        {0x02, 0, 2, 0}, {0xFF, 0, 2, 7}, {0x80, 0, 2, 2}, {0x9C, 0, 2, 5},
        {0x04, 0, 2, 3}, {0xEB, 0, 2, 2}, {0xFC, 1, 3, 4}, {0x1C, 0x20, 3, 5},
    };
    for (const NopCase& c : cases) {
        PowerOnFlat({c.opcode, 0xF0, 0x32});
        cpu.extraCycles = 0;
        flatMemory[0x32F0] = flatMemory[0x3310] = cpu.cpuRam[0xF0] = 0x77;
        cpu.a = 0x11;
        cpu.x = c.x;
        cpu.y = 0x33;
        const uint8_t p = cpu.p;
        EXPECT_EQ(CpuStep(), c.cycles) << std::hex << int(c.opcode);
        EXPECT_EQ(cpu.pc, 0x8000 + c.length) << std::hex << int(c.opcode);
        EXPECT_EQ(cpu.a, 0x11);
        EXPECT_EQ(cpu.x, c.x);
        EXPECT_EQ(cpu.y, 0x33);
        EXPECT_EQ(cpu.p, p);
        EXPECT_EQ(flatMemory[0x32F0] & flatMemory[0x3310] & cpu.cpuRam[0xF0], 0x77);
    }
}

// Interrupt entry: what is pushed, when a pending interrupt is taken, and that
// the first instruction after power-on also pays the reset's 7 cycles. Each
// row sets up the lines, runs `steps` units of work and looks at the last one,
// the stack (newest first), the status (bits 4 and 5 aside) and the IRQ line.
// Setup: I the IRQ line low, H held low before every step, N an NMI pending,
// D the one-instruction delay set. $9000 holds NOP, RTI.
TEST(Cpu, InterruptEntries) {
    struct Case {
        std::initializer_list<uint8_t> code;
        uint8_t p;
        const char* setup;
        int steps, lastCycles;
        uint16_t pc;
        std::vector<uint8_t> pushed;
        uint8_t pAfter;
        uint32_t irqLineAfter;
    };
    // clang-format off
    const Case cases[] = {
        {{0xEA},             0x04, "",   1, 2 + 7, 0x8001, {},                 0x04, 1},
        {{0xEA},             0x00, "I",  1, 7,     0xA000, {0x20, 0x00, 0x80}, 0x04, 0},
        {{0x58, 0xEA, 0xEA}, 0x04, "I",  3, 7,     0xA000, {0x20, 0x02, 0x80}, 0x04, 0},  // CLI
        {{0xEA, 0xEA},       0x04, "IND", 2, 7,    0x9000, {0x24, 0x01, 0x80}, 0x04, 1},
        {{0xEA},             0x00, "IHN", 4, 7,    0xA000, {0x20, 0x00, 0x80}, 0x04, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        const std::string setup = c.setup,
                          what = "setup \"" + setup + "\" steps " + std::to_string(c.steps);
        PowerOnFlat(c.code);
        flatMemory[0x9000] = 0xEA;
        flatMemory[0x9001] = 0x40;
        flatMemory[0xA000] = 0xEA;
        cpu.p = c.p;
        cpu.irqLine = setup.find('I') == std::string::npos;
        cpu.nmiPending = setup.find('N') != std::string::npos;
        cpu.interruptDelay = setup.find('D') != std::string::npos;
        int32_t cycles = 0;
        for (int i = 0; i < c.steps; ++i) {
            if (setup.find('H') != std::string::npos) cpu.irqLine = 0;
            cycles = CpuStep();
        }
        EXPECT_EQ(cycles, c.lastCycles) << what;
        EXPECT_EQ(cpu.pc, c.pc) << what;
        ASSERT_EQ(cpu.s, 0xFD - c.pushed.size()) << what;
        for (size_t i = 0; i < c.pushed.size(); ++i) EXPECT_EQ(Pushed(1 + i), c.pushed[i]) << what;
        EXPECT_EQ(cpu.p & ~0x30, c.pAfter) << what;
        EXPECT_EQ(cpu.irqLine, c.irqLineAfter) << what;
    }
}

TEST(Cpu, SpriteDmaTakes513CyclesOver256Steps) {
    // The PPU register page is replaced by a recorder of $2004 writes.
    static std::vector<uint8_t> written;
    written.clear();
    PowerOnFlat({0xA9, 0x02, 0x8D, 0x14, 0x40, 0xEA});  // LDA #2, STA $4014
    cpuWritePage[4] = WriteIoRegister;
    cpuWritePage[2] = [](uint32_t address, uint8_t value) {
        if (address == 0x2004) written.push_back(value);
    };
    for (int i = 0; i < 256; ++i) cpu.cpuRam[0x200 + i] = static_cast<uint8_t>(i ^ 0xA5);
    CpuStep();
    CpuStep();
    int steps = 0, cycles = 0;
    while (cpu.dmaActive && steps < 1000) {
        cycles += CpuStep();
        ++steps;
    }
    EXPECT_EQ(steps, 256);
    EXPECT_EQ(cycles, 513);
    ASSERT_EQ(written.size(), 256u);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(written[i], i ^ 0xA5);
    EXPECT_EQ(cpu.pc, 0x8005) << "no instruction ran during the transfer";
}

}  // namespace
}  // namespace morvel::test
