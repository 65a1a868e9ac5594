// The fixed part of the CPU memory map: $0000-$7FFF.
#include "core/memory_map.h"

#include <cstring>

#include "apu/apu.h"
#include "core/cpu.h"
#include "ppu/ppu.h"

namespace morvel {

CpuReadHandler cpuReadPage[16];
CpuWriteHandler cpuWritePage[16];
WorkRamBlock workRamBlock;

// The 2 KB of internal RAM appear four times in $0000-$1FFF.
uint8_t ReadInternalRam(uint32_t address) {
    return cpu.cpuRam[address & 0x7FF];
}
void WriteInternalRam(uint32_t address, uint8_t value) {
    cpu.cpuRam[address & 0x7FF] = value;
}

// $2000-$3FFF: the PPU's registers, with the PPU brought to the access's dot.
uint8_t ReadPpuRegister(uint32_t address) {
    CpuReachPpu();
    return PpuRegisterRead(address);
}
void WritePpuRegister(uint32_t address, uint8_t value) {
    CpuReachPpu();
    PpuRegisterWrite(address, value);
}

// $4000-$5FFF: the APU status and the controller ports answer, with the
// bits they do not drive left as the data bus held them (open bus: the last
// value the CPU read or wrote). Nothing else answers there.
uint8_t ReadIoRegister(uint32_t address) {
    const uint8_t bus = cpuCycle.openBus;
    switch (address) {
        case 0x4015:
            CpuRecheckDuties();
            return static_cast<uint8_t>((ApuReadRegister(0x4015) & ~0x20) | (bus & 0x20));
        case 0x4016:
        case 0x4017:
            return static_cast<uint8_t>((bus & 0xE0) |
                                        (ApuReadRegister(static_cast<int32_t>(address)) & 0x1F));
        default: return bus;
    }
}

// $4014 starts sprite DMA (the CPU step copies the bytes); the other registers
// up to $4017 belong to the APU and the controller latch. Higher ones are ignored.
void WriteIoRegister(uint32_t address, uint8_t value) {
    CpuRecheckDuties();
    if (address == 0x4014) {
        cpu.dmaActive = 1;
        cpu.dmaSource = static_cast<uint32_t>(value) << 8;
    } else if (address <= 0x4017) {
        ApuWriteRegister(static_cast<int32_t>(address), value);
    }
}

// Disabled work RAM does not answer: the data bus keeps its last value.
uint8_t ReadWorkRam(uint32_t address) {
    return workRamBlock.prgRamEnabled ? workRamBlock.workRam[address & 0x1FFF] : cpuCycle.openBus;
}

void WriteWorkRam(uint32_t address, uint8_t value) {
    if (workRamBlock.prgRamWritable && workRamBlock.prgRamEnabled)
        workRamBlock.workRam[address & 0x1FFF] = value;
}

void InstallDefaultCpuPages() {
    struct PageRange {
        int first, last;
        CpuReadHandler read;
        CpuWriteHandler write;
    };
    static const PageRange kDefaultPages[] = {
        {0, 1, ReadInternalRam, WriteInternalRam},  // $0000-$1FFF internal RAM
        {2, 3, ReadPpuRegister, WritePpuRegister},  // $2000-$3FFF PPU registers
        {4, 5, ReadIoRegister, WriteIoRegister},    // $4000-$5FFF APU and I/O
        {6, 7, ReadWorkRam, WriteWorkRam},          // $6000-$7FFF work RAM
    };
    for (const PageRange& range : kDefaultPages) {
        for (int page = range.first; page <= range.last; ++page) {
            cpuReadPage[page] = range.read;
            cpuWritePage[page] = range.write;
        }
    }
}

void ClearWorkRam() {
    std::memset(&workRamBlock, 0, sizeof workRamBlock);
    workRamBlock.prgRamWritable = 1;
    workRamBlock.prgRamEnabled = 1;
}

}  // namespace morvel
