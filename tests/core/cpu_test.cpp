// The CPU's bus cycles, its unstable and halting opcodes, interrupt entry and
// sprite DMA, on flat memory. The outside instruction cartridges check
// results and cycle counts of every opcode when they are present.
#include "core/cpu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "core/machine.h"
#include "core/memory_map.h"
#include "ppu/ppu.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

// Flat memory with the reset vector at $8000, NMI at $9000 and IRQ/BRK at $A000.
void PowerOnFlat(std::initializer_list<uint8_t> code) {
    InstallFlatMemory();
    const uint8_t vectors[] = {0x00, 0x90, 0x00, 0x80, 0x00, 0xA0};
    std::copy(std::begin(vectors), std::end(vectors), flatMemory + 0xFFFA);
    std::copy(code.begin(), code.end(), flatMemory + 0x8000);
    PowerOnMachine();
    CpuStep();  // the reset's cycles and the first instruction
}

// Every access as "rADDR" or "wADDR", in order.
std::string busLog;
void LogAccess(char kind, uint32_t address) {
    char text[8];
    std::snprintf(text, sizeof text, " %c%04X", kind, address);
    busLog += text;
}
void LogAllPages() {
    static CpuReadHandler reads[16];
    static CpuWriteHandler writes[16];
    std::copy(std::begin(cpuReadPage), std::end(cpuReadPage), reads);
    std::copy(std::begin(cpuWritePage), std::end(cpuWritePage), writes);
    for (int page = 0; page < 16; ++page) {
        cpuReadPage[page] = [](uint32_t address) {
            LogAccess('r', address);
            return reads[address >> 12](address);
        };
        cpuWritePage[page] = [](uint32_t address, uint8_t value) {
            LogAccess('w', address);
            writes[address >> 12](address, value);
        };
    }
}

// Each instruction's accesses, one per cycle, as the 6502's cycle tables give
// them: dummy reads of indexed addressing, implied and stack instructions,
// the double write of read-modify-writes, branch operand and fix-up reads.
// The code sits at $8000 after a NOP; X = Y = $20, S = $FD, ($F0) = $32F0.
TEST(Cpu, BusCyclesOfEachInstruction) {
    struct Case {
        const char* what;
        std::initializer_list<uint8_t> code;
        const char* accesses;
    };
    const Case cases[] = {
        {"LDA abs,X", {0xBD, 0x00, 0x32}, " r8001 r8002 r8003 r3220"},
        {"LDA abs,X crossing", {0xBD, 0xF0, 0x32}, " r8001 r8002 r8003 r3210 r3310"},
        {"STA abs,X", {0x9D, 0x00, 0x32}, " r8001 r8002 r8003 r3220 w3220"},
        {"INC abs,X", {0xFE, 0x00, 0x32}, " r8001 r8002 r8003 r3220 r3220 w3220 w3220"},
        {"LDA (zp),Y crossing", {0xB1, 0xF0}, " r8001 r8002 r00F0 r00F1 r3210 r3310"},
        {"LDA zp,X", {0xB5, 0xF0}, " r8001 r8002 r00F0 r0010"},
        {"SLO zp", {0x07, 0xF0}, " r8001 r8002 r00F0 w00F0 w00F0"},
        {"NOP abs,X (3 bytes)", {0x1C, 0x00, 0x32}, " r8001 r8002 r8003 r3220"},
        {"NOP zp (2 bytes)", {0x04, 0xF0}, " r8001 r8002 r00F0"},
        {"PHA", {0x48}, " r8001 r8002 w01FD"},
        {"PLA", {0x68}, " r8001 r8002 r01FD r01FE"},
        {"JSR", {0x20, 0x00, 0x90}, " r8001 r8002 r01FD w01FD w01FC r8003"},
        {"RTS", {0x60}, " r8001 r8002 r01FD r01FE r01FF rFFFF"},
        {"BRK", {0x00}, " r8001 r8002 w01FD w01FC w01FB rFFFE rFFFF"},
        {"BNE taken crossing", {0xD0, 0x80}, " r8001 r8002 r8003 r8083"},
        {"BNE taken", {0xD0, 0x10}, " r8001 r8002 r8003"},
        {"halting opcode", {0x02}, " r8001 r8002"},
    };
    for (const Case& c : cases) {
        PowerOnFlat({0xEA});
        std::copy(c.code.begin(), c.code.end(), flatMemory + 0x8001);
        cpu.x = cpu.y = 0x20;
        cpu.cpuRam[0xF0] = 0xF0;
        cpu.cpuRam[0xF1] = 0x32;
        LogAllPages();
        busLog.clear();
        CpuStep();
        EXPECT_EQ(busLog, c.accesses) << c.what;
    }
}

// The unstable stores and loads as the console's 2A03 does them, and a
// halted CPU: cycles pass, nothing is fetched, a reset starts it again.
TEST(Cpu, UnstableAndHaltingOpcodes) {
    PowerOnFlat({0xEA, 0x9E, 0x00, 0x32, 0x9E, 0xF0, 0x32, 0xBB, 0x00, 0x32, 0x02});
    cpu.x = 0xF1;
    cpu.y = 0x20;
    CpuStep();  // SHX $3200,Y: X AND (high byte + 1)
    EXPECT_EQ(flatMemory[0x3220], 0x31);
    CpuStep();  // SHX $32F0,Y crossing: the value also becomes the high byte
    EXPECT_EQ(flatMemory[0x3110], 0x31);
    EXPECT_EQ(flatMemory[0x3310], 0x00);
    CpuStep();  // LAS $3200,Y: A, X and S all take memory AND S
    EXPECT_EQ(cpu.a, 0x31 & 0xFD);
    EXPECT_EQ(cpu.x, cpu.a);
    EXPECT_EQ(cpu.s, cpu.a);
    CpuStep();
    EXPECT_EQ(cpuCycle.halted, 1);
    const uint16_t pc = cpu.pc;
    for (int i = 0; i < 100; ++i) EXPECT_EQ(CpuStep(), 1);
    EXPECT_EQ(cpu.pc, pc);
    ResetMachine();
    CpuStep();
    EXPECT_EQ(cpuCycle.halted, 0);
    EXPECT_EQ(cpu.pc, 0x8001);
}

// Interrupt entry: the instruction during which the line goes low finishes
// first; CLI lets an IRQ in only after the following instruction; an NMI
// edge is taken after the instruction that saw it. Each row runs `steps`
// steps after the first NOP and looks at PC and the three bytes pushed.
// $9000 and $A000 hold NOPs.
TEST(Cpu, InterruptEntries) {
    struct Case {
        const char* what;
        std::initializer_list<uint8_t> code;
        uint8_t p;
        bool irq, nmi;
        int steps;
        uint16_t pc;
        uint8_t pushed[3];
    };
    const Case cases[] = {
        {"IRQ", {0xEA, 0xEA}, 0x00, true, false, 2, 0xA000, {0x80, 0x02, 0x20}},
        {"IRQ masked", {0xEA, 0xEA, 0xEA}, 0x04, true, false, 2, 0x8003, {}},
        {"CLI", {0xEA, 0x58, 0xEA, 0xEA}, 0x04, true, false, 3, 0xA000, {0x80, 0x03, 0x20}},
        {"NMI", {0xEA, 0xEA}, 0x04, false, true, 2, 0x9000, {0x80, 0x02, 0x24}},
    };
    for (const Case& c : cases) {
        PowerOnFlat(c.code);
        flatMemory[0x9000] = flatMemory[0xA000] = 0xEA;
        cpu.p = c.p;
        if (c.irq) AssertIrq(kIrqBoard);
        if (c.nmi) ppu.vblankFlag = ppu.nmiEnabled = 0x80;
        CpuSyncPpu();  // the CPU takes up the PPU's new state
        for (int i = 0; i < c.steps; ++i) CpuStep();
        EXPECT_EQ(cpu.pc, c.pc) << c.what;
        if (c.pc < 0x9000) continue;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(cpu.cpuRam[0x1FD - i], c.pushed[i]) << c.what;
        EXPECT_TRUE(cpu.p & kFlagI) << c.what;
    }
}

// Sprite DMA halts the CPU at its next read: 513 cycles when the halt falls
// on a put cycle, 514 when it needs an alignment cycle, then the waiting
// instruction (a NOP, 2 cycles) runs.
TEST(Cpu, SpriteDmaTakes513Or514Cycles) {
    static std::string written;
    for (const bool threeCycleStart : {false, true}) {
        PowerOnFlat({0xEA, threeCycleStart ? uint8_t{0xA5} : uint8_t{0xEA}, 0x00, 0xA9, 0x02, 0x8D,
                     0x14, 0x40, 0xEA});
        if (!threeCycleStart) flatMemory[0x8002] = 0xEA;
        cpuWritePage[4] = WriteIoRegister;
        cpuWritePage[2] = [](uint32_t address, uint8_t value) {
            if (address == 0x2004) written += static_cast<char>(value);
        };
        written.clear();
        for (int i = 0; i < 256; ++i) cpu.cpuRam[0x200 + i] = static_cast<uint8_t>(i ^ 0xA5);
        while (cpu.pc < 0x8008) CpuStep();
        const int cycles = CpuStep();
        EXPECT_EQ(cycles, threeCycleStart ? 2 + 513 : 2 + 514);
        ASSERT_EQ(written.size(), 256u);
        for (int i = 0; i < 256; ++i) EXPECT_EQ(static_cast<uint8_t>(written[i]), i ^ 0xA5);
        EXPECT_EQ(cpu.pc, 0x8009);
    }
}

}  // namespace
}  // namespace morvel::test
