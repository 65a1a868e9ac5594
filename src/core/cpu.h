// The NES's 6502-family CPU, one unit of work (an instruction, an interrupt
// entry or one byte of sprite DMA) per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace morvel {

// Status flag bits of p.
enum : uint8_t {
    kFlagC = 0x01,
    kFlagZ = 0x02,
    kFlagI = 0x04,
    kFlagD = 0x08,
    kFlagB = 0x10,
    kFlagU = 0x20,
    kFlagV = 0x40,
    kFlagN = 0x80,
};

// The CPU block: registers, interrupt and DMA state and the 2 KB internal RAM.
// Save states store it raw, so its layout is fixed byte for byte.
struct CpuBlock {
    uint8_t a;
    uint8_t s;
    uint8_t p;
    uint8_t x;
    uint8_t y;
    uint8_t reserved0[3];
    uint32_t effectiveAddress;
    uint16_t pc;
    uint16_t reserved1;
    uint32_t nmiPending;
    uint32_t irqLine;  // 1 released, 0 asserted; one level shared by every source
    int32_t extraCycles;
    uint32_t reserved2;
    uint32_t interruptDelay;
    uint32_t dmaActive;
    uint32_t dmaSource;
    uint32_t dmaCount;
    uint32_t opcode;
    uint8_t reserved3[8];
    uint8_t dmaLatch;
    uint8_t cpuRam[2048];
    uint8_t reserved4[3];
};
static_assert(std::is_trivially_copyable_v<CpuBlock>);
static_assert(sizeof(CpuBlock) == 2112);
static_assert(offsetof(CpuBlock, effectiveAddress) == 8);
static_assert(offsetof(CpuBlock, pc) == 12);
static_assert(offsetof(CpuBlock, nmiPending) == 16);
static_assert(offsetof(CpuBlock, irqLine) == 20);
static_assert(offsetof(CpuBlock, extraCycles) == 24);
static_assert(offsetof(CpuBlock, interruptDelay) == 32);
static_assert(offsetof(CpuBlock, dmaActive) == 36);
static_assert(offsetof(CpuBlock, dmaSource) == 40);
static_assert(offsetof(CpuBlock, dmaCount) == 44);
static_assert(offsetof(CpuBlock, opcode) == 48);
static_assert(offsetof(CpuBlock, dmaLatch) == 60);
static_assert(offsetof(CpuBlock, cpuRam) == 61);

extern CpuBlock cpu;

// What the bus-cycle model of the CPU keeps beyond CpuBlock. Save states keep
// it in the versioned part of the file; a file from before it gets the values
// CpuCycleStateForOldState derives.
struct CpuCycleState {
    uint64_t cycles;      // CPU cycles since power-on; DMA aligns on its parity
    uint32_t irqSources;  // one bit per source holding the IRQ line low
    uint8_t openBus;      // the last value on the CPU data bus
    uint8_t takeNmi;      // the next CpuStep enters the NMI handler
    uint8_t takeIrq;      // the next CpuStep enters the IRQ handler
    uint8_t nmiLine;      // the PPU's NMI output as the CPU last saw it
    uint8_t halted;       // a halting opcode stopped the CPU until reset
    uint8_t reserved[3];
    // The low 32 bits of `cycles` at the last $2007 read, for the PPU's read
    // buffer (two reads on adjacent cycles); kept with the CPU's clock.
    uint32_t ppuDataReadCycle;
};
static_assert(std::is_trivially_copyable_v<CpuCycleState>);
static_assert(sizeof(CpuCycleState) == 24);

extern CpuCycleState cpuCycle;
void CpuCycleStateForOldState();

// The sources that share the IRQ line; the line is low while any holds it.
enum IrqSource : uint32_t {
    kIrqFrameCounter = 1,
    kIrqDmc = 2,
    kIrqBoard = 4,
};
// What the interrupt inputs ask for: bit 0 an NMI is pending, bit 1 the IRQ
// line is low with the I flag clear. Whatever changes the NMI latch, the line
// or the I flag brings it up to date. The CPU acts on what they asked for at
// the end of one of an instruction's last cycles, so the values before the
// last two changes are kept with the cycles of those changes.
struct InterruptInputs {
    uint8_t now;
    uint8_t before;      // up to the cycle changedAt
    uint8_t earlier;     // up to the cycle earlierAt
    uint64_t changedAt;  // the cycle of the last change
    uint64_t earlierAt;  // the cycle of the change before it
};
inline InterruptInputs interruptInputs;
inline void UpdateInterruptInputs() {
    InterruptInputs& in = interruptInputs;
    const uint8_t value = static_cast<uint8_t>((cpu.nmiPending ? 1 : 0) |
                                               (cpu.irqLine == 0 && !(cpu.p & kFlagI) ? 2 : 0));
    if (value == in.now) return;
    if (in.changedAt != cpuCycle.cycles) {
        in.earlier = in.before;
        in.earlierAt = in.changedAt;
        in.before = in.now;
        in.changedAt = cpuCycle.cycles;
    }
    in.now = value;
}

inline void AssertIrq(uint32_t source) {
    cpuCycle.irqSources |= source;
    cpu.irqLine = 0;
    UpdateInterruptInputs();
}
inline void ReleaseIrq(uint32_t source) {
    cpuCycle.irqSources &= ~source;
    cpu.irqLine = cpuCycle.irqSources ? 0 : 1;
    UpdateInterruptInputs();
}

// One instruction, interrupt entry or halted cycle, with any DMA inside it;
// returns its cycles.
int32_t CpuStep();
// Steps until the PPU has reached the vertical blank; returns the cycles of
// the last step.
uint32_t CpuRunToFrameEnd();

// The PPU runs behind the CPU, owing the dots of frameBookkeeping. At the
// end of a frame the frame loop runs it through the CPU's last cycle
// (CpuCatchUpPpu), so its state and the count owed are whole between frames;
// at the start of a frame (CpuSyncPpu) the CPU takes up the PPU's state, the
// count owed and the interrupt inputs afresh, which may have been replaced
// (a loaded state, say).
void CpuCatchUpPpu();
// Called by a read or write handler that shows or changes the PPU's state
// (its registers; a board's register that reads a PPU counter), before it
// does: runs the PPU to the access's dot and ends the cycle with its event.
void CpuReachPpu();
// Called by a handler whose access may have changed the APU's next event or
// started a DMA: the CPU looks at its duties again at the end of the cycle.
void CpuRecheckDuties();
void CpuSyncPpu();

// True during a write that comes on the cycle straight after another write
// (the second write of a read-modify-write instruction).
bool CpuWriteFollowsWrite();
void CpuPowerOn();
void CpuReset();

}  // namespace morvel
