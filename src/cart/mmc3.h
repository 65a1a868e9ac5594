// The MMC3 family: mapper 4 (MMC3), mapper 118 (an MMC3 whose nametables
// follow bit 7 of the CHR registers) and mapper 189 (MMC3-style CHR banking,
// 32 KB PRG banks chosen through low addresses). One register block serves all three.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

// The MMC3 registers as save states keep them: 60 bytes, stored raw.
struct Mmc3State {
    uint32_t mmc3RamEnable;   // last $A001 value AND $80
    uint32_t mmc3RamProtect;  // last $A001 value AND $40
    uint16_t mmc3SwapAddr;    // where R6 is mapped: $8000 or $C000
    uint8_t mmc3BankSelect;   // last bank-select value
    uint8_t mmc3ChrNormal;    // 1: 2 KB banks at $0000-$0FFF, 0: inverted
    uint8_t mmc3IrqLatch;     // the counter's reload value
    uint8_t mmc3IrqCounter;   // the scanline counter
    uint8_t mmc3IrqEnabled;   // 1 enabled, 0 disabled
    uint8_t reserved0;
    uint32_t mmc3IrqReload;    // set by a $C001 write, cleared by the next clock
    uint16_t mmc3LastPpuAddr;  // the last PPU address the A12 watcher saw
    uint8_t reserved1[2];
    uint32_t mmc3BankRegs[6];    // mapper 118: the last values of R0-R5
    uint8_t mmc3Nametables[4];   // the nametable page (0-3) each quarter shows
    uint8_t mmc3NametablesKept;  // 1 once the pages above are kept (0 in older files)
    uint8_t mmc3ReloadCleared;   // 1 where a clock clears mmc3IrqReload (0 in older files)
    uint8_t reserved2[6];
};
static_assert(sizeof(Mmc3State) == 60);
static_assert(std::is_trivially_copyable_v<Mmc3State>);
static_assert(offsetof(Mmc3State, mmc3SwapAddr) == 8);
static_assert(offsetof(Mmc3State, mmc3IrqEnabled) == 14);
static_assert(offsetof(Mmc3State, mmc3IrqReload) == 16);
static_assert(offsetof(Mmc3State, mmc3LastPpuAddr) == 20);
static_assert(offsetof(Mmc3State, mmc3BankRegs) == 24);
static_assert(offsetof(Mmc3State, mmc3Nametables) == 48);
static_assert(offsetof(Mmc3State, mmc3NametablesKept) == 52);
static_assert(offsetof(Mmc3State, mmc3ReloadCleared) == 53);

extern Mmc3State mmc3;

// The register write handlers of the three boards.
void Mmc3Write(uint32_t address, uint8_t value);
void Mapper118Write(uint32_t address, uint8_t value);
void Mapper189Write(uint32_t address, uint8_t value);

// The A12 watcher, given a PPU address just put on the bus: a rising edge of
// A12 clocks the scanline counter.
void Mmc3WatchA12(uint32_t address);
// The fewest counter clocks after which the interrupt could come; 0: disabled.
uint32_t Mmc3RisesToIrq();

// Checks a saved capture of the registers before a state load takes it;
// false with the reason when a field is out of range.
bool Mmc3Fits(const Mmc3State& saved, std::string& why);

}  // namespace morvel
