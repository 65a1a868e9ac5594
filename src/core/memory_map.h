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

inline uint8_t CpuRead(uint32_t address) {
    return cpuReadPage[address >> 12](address);
}
inline void CpuWrite(uint32_t address, uint8_t value) {
    cpuWritePage[address >> 12](address, value);
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
uint8_t ReadIoRegister(uint32_t address);
void WriteIoRegister(uint32_t address, uint8_t value);
uint8_t ReadWorkRam(uint32_t address);
void WriteWorkRam(uint32_t address, uint8_t value);

}  // namespace morvel
