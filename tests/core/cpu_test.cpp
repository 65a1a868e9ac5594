// The CPU on 64 KB of plain memory: cycle counts, addressing, interrupts, DMA.
#include "core/cpu.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "core/memory_map.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

class CpuTest : public ::testing::Test {
   protected:
    void SetUp() override {
        InstallFlatMemory();
        SetWord(0xFFFC, 0x8000);  // reset
        SetWord(0xFFFA, 0x9000);  // NMI
        SetWord(0xFFFE, 0xA000);  // IRQ/BRK
        CpuPowerOn();
    }
    static void SetWord(uint16_t address, uint16_t value) {
        flatMemory[address] = static_cast<uint8_t>(value);
        flatMemory[address + 1] = static_cast<uint8_t>(value >> 8);
    }
    static void Program(uint16_t address, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) flatMemory[address++] = b;
    }
    // Runs the program at pc one step and returns its cycles.
    static int32_t Step() { return CpuStep(); }
    static uint8_t Pushed(int depth) { return cpu.cpuRam[0x100 + ((cpu.s + depth) & 0xFF)]; }
};

TEST_F(CpuTest, PowerOnState) {
    EXPECT_EQ(cpu.pc, 0x8000);
    EXPECT_EQ(cpu.s, 0xFD);
    EXPECT_EQ(cpu.p, 0x04);
    EXPECT_EQ(cpu.irqLine, 1u);
    EXPECT_EQ(cpu.cpuRam[0x0008], 0xF7);
    EXPECT_EQ(cpu.cpuRam[0x0009], 0xEF);
    EXPECT_EQ(cpu.cpuRam[0x000A], 0xDF);
    EXPECT_EQ(cpu.cpuRam[0x000F], 0xBF);
    EXPECT_EQ(cpu.cpuRam[0x0010], 0xFF);
    Program(0x8000, {0xEA});
    EXPECT_EQ(Step(), 2 + 7) << "the first instruction carries the reset's 7 cycles";
}

struct CycleCase {
    const char* what;
    std::initializer_list<uint8_t> code;
    uint8_t x, y;
    int32_t cycles;
};

TEST_F(CpuTest, CycleCountsWithPenalties) {
    // Zero page $10/$11 holds a pointer to $12F0 for the (zp),Y cases.
    const CycleCase cases[] = {
        {"LDA abs,X no cross", {0xBD, 0x00, 0x12}, 0x10, 0, 4},
        {"LDA abs,X cross", {0xBD, 0xF0, 0x12}, 0x20, 0, 5},
        {"LDA abs,Y cross", {0xB9, 0xF0, 0x12}, 0, 0x20, 5},
        {"STA abs,X never penalised", {0x9D, 0xF0, 0x12}, 0x20, 0, 5},
        {"STA abs,X no cross", {0x9D, 0x00, 0x12}, 0x01, 0, 5},
        {"LDA (zp),Y cross", {0xB1, 0x10}, 0, 0x20, 6},
        {"LDA (zp),Y no cross", {0xB1, 0x10}, 0, 0x01, 5},
        {"STA (zp),Y cross", {0x91, 0x10}, 0, 0x20, 6},
        {"ASL abs,X cross", {0x1E, 0xF0, 0x12}, 0x20, 0, 7},
        {"NOP abs,X undocumented cross", {0x1C, 0xF0, 0x12}, 0x20, 0, 5},
        {"NOP abs,X undocumented", {0xFC, 0x00, 0x12}, 0x01, 0, 4},
        {"JMP (ind)", {0x6C, 0x00, 0x03}, 0, 0, 5},
    };
    for (const CycleCase& c : cases) {
        SetUp();
        cpu.extraCycles = 0;
        Program(0x8000, c.code);
        cpu.cpuRam[0x10] = 0xF0;
        cpu.cpuRam[0x11] = 0x12;
        cpu.x = c.x;
        cpu.y = c.y;
        EXPECT_EQ(Step(), c.cycles) << c.what;
    }
}

TEST_F(CpuTest, BranchCosts) {
    struct BranchCase {
        uint16_t at;
        uint8_t opcode, offset;
        uint8_t p;
        int32_t cycles;
        uint16_t pcAfter;
    };
    const BranchCase cases[] = {
        {0x8000, 0xD0, 0x10, 0x00, 3, 0x8012},  // BNE taken, same page
        {0x8000, 0xD0, 0x10, 0x02, 2, 0x8002},  // BNE not taken
        {0x80F0, 0xD0, 0x20, 0x00, 4, 0x8112},  // taken, target on the next page
        {0x8000, 0xF0, 0xFC, 0x02, 4, 0x7FFE},  // BEQ backwards across a page
        {0x8010, 0x10, 0xFE, 0x00, 3, 0x8010},  // BPL to itself
    };
    for (const BranchCase& c : cases) {
        SetUp();
        cpu.extraCycles = 0;
        cpu.pc = c.at;
        cpu.p = c.p;
        Program(c.at, {c.opcode, c.offset});
        EXPECT_EQ(Step(), c.cycles) << std::hex << c.at;
        EXPECT_EQ(cpu.pc, c.pcAfter) << std::hex << c.at;
    }
}

TEST_F(CpuTest, AddressingWraps) {
    // JMP ($10FF) takes the high byte from $1000 (the start of the pointer's
    // page), not $1100. $1000-$17FF is internal RAM mirrored at $0000.
    cpu.cpuRam[0x00FF] = 0x34;  // $10FF mirrors $00FF
    cpu.cpuRam[0x0000] = 0x12;  // $1000 mirrors $0000
    cpu.cpuRam[0x0100] = 0x99;  // $1100 mirrors $0100, must not be used
    Program(0x8000, {0x6C, 0xFF, 0x10});
    Step();
    EXPECT_EQ(cpu.pc, 0x1234);

    // LDA ($FF,X) with X = 0 takes its pointer from $00FF and $0000.
    SetUp();
    cpu.cpuRam[0x00FF] = 0x00;
    cpu.cpuRam[0x0000] = 0x30;
    flatMemory[0x3000] = 0x42;
    Program(0x8000, {0xA1, 0xFF});
    Step();
    EXPECT_EQ(cpu.a, 0x42);

    // zp,X stays in the zero page.
    SetUp();
    cpu.cpuRam[0x007F] = 0x55;
    cpu.x = 0x80;
    Program(0x8000, {0xB5, 0xFF});
    Step();
    EXPECT_EQ(cpu.a, 0x55);

    // abs,X wraps at $FFFF into internal RAM.
    SetUp();
    cpu.cpuRam[0x0001] = 0x66;
    cpu.x = 0x02;
    Program(0x8000, {0xBD, 0xFF, 0xFF});
    Step();
    EXPECT_EQ(cpu.a, 0x66);
}

TEST_F(CpuTest, UndocumentedOpcodesDoNothing) {
    struct NopCase {
        uint8_t opcode;
        uint16_t length;
        int32_t cycles;
    };
    const NopCase cases[] = {
        {0x1A, 1, 2}, {0xFA, 1, 2}, {0x0C, 3, 4}, {0xA7, 2, 3}, {0x02, 2, 0},
        {0xFF, 2, 7}, {0x80, 2, 2}, {0x9C, 2, 5}, {0x04, 2, 3}, {0xEB, 2, 2},
    };
    for (const NopCase& c : cases) {
        SetUp();
        cpu.extraCycles = 0;
        flatMemory[0x0300] = 0x77;
        Program(0x8000, {c.opcode, 0x00, 0x03});
        cpu.a = 0x11;
        cpu.x = 0x22;
        cpu.y = 0x33;
        uint8_t p = cpu.p;
        EXPECT_EQ(Step(), c.cycles) << std::hex << int(c.opcode);
        EXPECT_EQ(cpu.pc, 0x8000 + c.length) << std::hex << int(c.opcode);
        EXPECT_EQ(cpu.a, 0x11);
        EXPECT_EQ(cpu.x, 0x22);
        EXPECT_EQ(cpu.y, 0x33);
        EXPECT_EQ(cpu.p, p);
        EXPECT_EQ(flatMemory[0x0300], 0x77);
    }
}

TEST_F(CpuTest, ArithmeticFlags) {
    struct AluCase {
        uint8_t opcode, a, m, pIn;
        uint8_t aOut, pOut;
    };
    // ADC $69, SBC $E9, CMP $C9 with immediate operands; p bits N V - - D I Z C.
    const AluCase cases[] = {
        {0x69, 0x50, 0x50, 0x00, 0xA0, 0xC0},  // overflow into negative
        {0x69, 0xFF, 0x01, 0x00, 0x00, 0x03},  // carry out, zero
        {0x69, 0x7F, 0x00, 0x01, 0x80, 0xC0},  // carry in overflows
        {0xE9, 0x50, 0xB0, 0x01, 0xA0, 0xC0},  // signed overflow, borrow
        {0xE9, 0x05, 0x03, 0x01, 0x02, 0x01},  // no borrow keeps C
        {0xE9, 0x05, 0x05, 0x00, 0xFF, 0x80},  // borrow in
        {0xC9, 0x10, 0x10, 0x00, 0x10, 0x03},  // equal: Z and C
        {0xC9, 0x10, 0x20, 0x00, 0x10, 0x80},  // less: N from the difference
        {0x69, 0x10, 0x10, 0x08, 0x20, 0x08},  // D stored, arithmetic stays binary
    };
    for (const AluCase& c : cases) {
        SetUp();
        Program(0x8000, {c.opcode, c.m});
        cpu.a = c.a;
        cpu.p = c.pIn;
        Step();
        EXPECT_EQ(cpu.a, c.aOut) << std::hex << int(c.opcode) << " " << int(c.a) << " " << int(c.m);
        EXPECT_EQ(cpu.p, c.pOut) << std::hex << int(c.opcode) << " " << int(c.a) << " " << int(c.m);
    }
}

TEST_F(CpuTest, PushedStatusBits) {
    // PHP pushes bits 4 and 5 set and leaves the live status alone.
    cpu.p = 0xC3;
    Program(0x8000, {0x08});
    Step();
    EXPECT_EQ(Pushed(1), 0xF3);
    EXPECT_EQ(cpu.p, 0xC3);

    // BRK pushes the address after its padding byte and bits 4 and 5 set, then sets I.
    SetUp();
    cpu.p = 0x00;
    Program(0x8000, {0x00, 0xEA});
    EXPECT_EQ(Step(), 7 + 7);
    EXPECT_EQ(cpu.pc, 0xA000);
    EXPECT_EQ(Pushed(1), 0x30);
    EXPECT_EQ(Pushed(2), 0x02);
    EXPECT_EQ(Pushed(3), 0x80);
    EXPECT_TRUE(cpu.p & kFlagI);

    // An IRQ after a PHP pushes bit 5 set and bit 4 clear.
    SetUp();
    Program(0x8000, {0x58, 0x08, 0xEA, 0xEA});  // CLI, PHP, NOP, NOP
    Step();
    Step();
    cpu.interruptDelay = 0;
    cpu.irqLine = 0;
    EXPECT_EQ(Step(), 7);
    EXPECT_EQ(cpu.pc, 0xA000);
    EXPECT_EQ(Pushed(1) & 0x30, 0x20);
}

TEST_F(CpuTest, InterruptDelayAfterCli) {
    // CLI then NOP with the line held low: the IRQ comes after the NOP.
    Program(0x8000, {0x58, 0xEA, 0xEA});
    cpu.irqLine = 0;
    Step();  // CLI (I was set, the IRQ waits)
    EXPECT_EQ(cpu.pc, 0x8001);
    Step();  // NOP runs first, consuming the delay
    EXPECT_EQ(cpu.pc, 0x8002);
    EXPECT_EQ(Step(), 7);
    EXPECT_EQ(cpu.pc, 0xA000);
    EXPECT_EQ(Pushed(2), 0x02) << "return address is the instruction after the NOP";
    EXPECT_EQ(Pushed(3), 0x80);
}

TEST_F(CpuTest, NmiAndIrqEntries) {
    // An NMI sets I on entry, so an IRQ asserted in the handler waits for RTI.
    Program(0x8000, {0x58, 0xEA, 0xEA});
    Program(0x9000, {0xEA, 0x40});  // NOP, RTI
    Program(0xA000, {0xEA});
    Step();                  // CLI
    Step();                  // NOP
    cpu.interruptDelay = 0;  // the frame loop clears it at the end of every frame
    cpu.nmiPending = 1;
    cpu.irqLine = 0;
    EXPECT_EQ(Step(), 7);
    EXPECT_EQ(cpu.pc, 0x9000);
    EXPECT_TRUE(cpu.p & kFlagI);
    EXPECT_EQ(cpu.nmiPending, 0u);
    EXPECT_EQ(cpu.irqLine, 1u) << "taking the NMI releases the shared line";
    cpu.irqLine = 0;
    Step();  // NOP in the handler, no IRQ
    EXPECT_EQ(cpu.pc, 0x9001);
    Step();  // RTI restores I clear
    EXPECT_EQ(cpu.pc, 0x8002);
    EXPECT_EQ(Step(), 7);
    EXPECT_EQ(cpu.pc, 0xA000);
}

TEST_F(CpuTest, NmiDelayedOneInstruction) {
    Program(0x8000, {0xEA, 0xEA});
    cpu.nmiPending = 1;
    cpu.interruptDelay = 1;
    Step();
    EXPECT_EQ(cpu.pc, 0x8001);
    EXPECT_EQ(cpu.interruptDelay, 0u);
    Step();
    EXPECT_EQ(cpu.pc, 0x9000);
}

TEST_F(CpuTest, StackOperations) {
    Program(0x8000, {0x20, 0x00, 0x85});  // JSR $8500
    Program(0x8500, {0x60});              // RTS
    Step();
    EXPECT_EQ(cpu.pc, 0x8500);
    EXPECT_EQ(Pushed(1), 0x02) << "JSR pushes the address of its last byte";
    EXPECT_EQ(Pushed(2), 0x80);
    Step();
    EXPECT_EQ(cpu.pc, 0x8003);
    EXPECT_EQ(cpu.s, 0xFD);

    // The stack pointer wraps within page 1.
    SetUp();
    cpu.s = 0x00;
    cpu.a = 0x5A;
    Program(0x8000, {0x48, 0xA9, 0x00, 0x68});  // PHA, LDA #0, PLA
    Step();
    EXPECT_EQ(cpu.s, 0xFF);
    EXPECT_EQ(cpu.cpuRam[0x100], 0x5A);
    Step();
    Step();
    EXPECT_EQ(cpu.a, 0x5A);
    EXPECT_EQ(cpu.s, 0x00);
}

TEST_F(CpuTest, SpriteDmaTakes513CyclesOver256Steps) {
    // The PPU register page is replaced by a recorder of $2004 writes.
    static uint8_t written[256];
    static int count;
    count = 0;
    cpuWritePage[4] = WriteIoRegister;
    cpuWritePage[2] = [](uint32_t address, uint8_t value) {
        if (address == 0x2004 && count < 256) written[count++] = value;
    };
    for (int i = 0; i < 256; ++i) cpu.cpuRam[0x200 + i] = static_cast<uint8_t>(i ^ 0xA5);
    Program(0x8000, {0xA9, 0x02, 0x8D, 0x14, 0x40, 0xEA});  // LDA #2, STA $4014
    Step();
    Step();
    int steps = 0, cycles = 0;
    while (cpu.dmaActive) {
        cycles += Step();
        ++steps;
    }
    EXPECT_EQ(steps, 256);
    EXPECT_EQ(cycles, 513);
    ASSERT_EQ(count, 256);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(written[i], i ^ 0xA5);
    EXPECT_EQ(cpu.pc, 0x8005) << "no instruction ran during the transfer";
}

TEST_F(CpuTest, ResetKeepsRamAndDropsStack) {
    cpu.cpuRam[0x123] = 0x77;
    cpu.p = 0;
    cpu.s = 0x80;
    CpuReset();
    EXPECT_EQ(cpu.pc, 0x8000);
    EXPECT_EQ(cpu.s, 0x7D);
    EXPECT_TRUE(cpu.p & kFlagI);
    EXPECT_EQ(cpu.cpuRam[0x123], 0x77);
    EXPECT_EQ(cpu.extraCycles, 7);
}

}  // namespace
}  // namespace morvel::test
