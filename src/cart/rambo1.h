// The Tengen RAMBO-1 (mapper 64): an MMC3-like chip with three switched PRG
// windows, 1 KB or 2 KB CHR banks, and an interrupt counter clocked either
// by rises of PPU A12 (scanlines) or every fourth CPU cycle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

// The RAMBO-1 registers as save states keep them: 40 bytes, stored raw.
struct Rambo1State {
    uint64_t irqAt;        // the CPU cycle at which a counted 0 interrupts; 0: none due
    uint8_t regs[16];      // R0-R9 and RF (the others are not wired)
    uint8_t bankSelect;    // the last $8000 value
    uint8_t mirroring;     // the MirroringMode shown
    uint8_t irqLatch;      // $C000
    uint8_t irqCounter;    // the counter
    uint8_t irqReload;     // 1: $C001 was written since the last clock
    uint8_t irqCpuMode;    // $C001 bit 0: 1 counts CPU cycles, 0 A12 rises
    uint8_t irqEnabled;    // $E001 sets, $E000 clears
    uint8_t prescaler;     // CPU cycles since the last clock in CPU mode (0-3)
    uint16_t lastPpuAddr;  // the last PPU address the A12 watcher saw
    uint8_t reserved[6];
};
static_assert(sizeof(Rambo1State) == 40);
static_assert(std::is_trivially_copyable_v<Rambo1State>);
static_assert(offsetof(Rambo1State, lastPpuAddr) == 32);

extern Rambo1State rambo1;

struct BoardHeader;
void SetupRambo1(const BoardHeader& header);
void Rambo1AfterStateLoad();
void Rambo1RunTo(uint64_t last);
void Rambo1WatchA12(uint32_t address);
uint32_t Rambo1RisesToIrq();
bool Rambo1Fits(const Rambo1State& saved, std::string& why);

}  // namespace morvel
