// The CPU's view of memory: sixteen 4 KB pages, each served by a read and a
// write handler. Boards change the map by replacing handlers and re-pointing
// the PRG page pointers, never by copying memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvel {

using CpuReadHandler = uint8_t (*)(uint32_t address);
using CpuWriteHandler = void (*)(uint32_t address, uint8_t value);

extern CpuReadHandler cpuReadPage[16];
extern CpuWriteHandler cpuWritePage[16];

// 4 KB of PRG data per CPU page (8-15 used), behind the PrgPageRead handler
// that plain bank windows install.
extern uint8_t* prgPagePtr[16];
uint8_t PrgPageRead(uint32_t address);

// The CPU's address bus is 16 bits wide: whatever a caller passes (a DMA or
// sample address restored from a damaged state, say) reaches a handler as an
// address of the 64 KB space, so no page index leaves the tables.
// Most reads are of a plain PRG bank window (every instruction fetch), so
// that handler's read is made here without the call.
inline uint8_t CpuRead(uint32_t address) {
    const uint32_t bus = address & 0xFFFF;
    const uint32_t page = bus >> 12;
    if (cpuReadPage[page] == PrgPageRead) return prgPagePtr[page][bus & 0xFFF];
    return cpuReadPage[page](bus);
}
inline void CpuWrite(uint32_t address, uint8_t value) {
    const uint32_t bus = address & 0xFFFF;
    cpuWritePage[bus >> 12](bus, value);
}

// Work RAM at $6000-$7FFF and its two flags, stored and restored as one block.
struct WorkRamBlock {
    uint8_t workRam[8192];
    uint32_t prgRamWritable;
    uint32_t prgRamEnabled;
};
static_assert(sizeof(WorkRamBlock) == 8200);
static_assert(offsetof(WorkRamBlock, prgRamWritable) == 8192);
static_assert(offsetof(WorkRamBlock, prgRamEnabled) == 8196);

extern WorkRamBlock workRamBlock;

// Pages 0-7: internal RAM, PPU registers, APU and I/O registers, work RAM.
void InstallDefaultCpuPages();

// Clears work RAM and enables it for reading and writing (after a first load).
void ClearWorkRam();

// The fixed handlers, exposed so boards that take over a page can fall back to them.
uint8_t ReadInternalRam(uint32_t address);
void WriteInternalRam(uint32_t address, uint8_t value);
uint8_t ReadPpuRegister(uint32_t address);
void WritePpuRegister(uint32_t address, uint8_t value);
uint8_t ReadIoRegister(uint32_t address);
void WriteIoRegister(uint32_t address, uint8_t value);
uint8_t ReadWorkRam(uint32_t address);
void WriteWorkRam(uint32_t address, uint8_t value);

}  // namespace morvel
