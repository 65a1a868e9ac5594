// Helpers for board tests: load an in-memory image and look at what the CPU
// and the PPU see through the page tables.
#pragma once

#include <cstdint>

#include "cart/board.h"
#include "core/memory_map.h"
#include "ppu/ppu_state.h"
#include "support/test_machine.h"

namespace morvel::test {

// The PRG 4 KB unit that the CPU sees at address (the test images fill each
// unit with its own number).
inline int PrgUnitAt(uint32_t address) {
    return CpuRead(address);
}

// The CHR 1 KB unit that the PPU sees at address (each unit reads $80 + u).
inline int ChrUnitAt(uint32_t address) {
    return (PpuBusRead(address) - 0x80) & 0xFF;
}

// Which nametable page (0-3) the PPU shows at quarter q; 4 for the MMC5's
// ExRAM. Checks that the mirror at $3000 agrees, else returns -1.
inline int NametableAt(int quarter, uint8_t* exRam = nullptr) {
    constexpr uint32_t kProbe = 0x155;
    for (int page = 0; page < 4; ++page)
        ppu.nametableRam[page][kProbe] = static_cast<uint8_t>(0xA0 + page);
    if (exRam) exRam[kProbe] = 0xB4;
    uint32_t address = 0x2000 + static_cast<uint32_t>(quarter) * 0x400 + kProbe;
    uint8_t seen = PpuBusRead(address);
    if (PpuBusRead(address + 0x1000) != seen) return -1;
    if (exRam && seen == 0xB4) return 4;
    return seen >= 0xA0 && seen <= 0xA3 ? seen - 0xA0 : -1;
}

inline bool LoadBoard(int mapper, int prgUnits, int chrUnits, uint8_t flags6 = 0) {
    return LoadImage(MakeInesImage(mapper, prgUnits, chrUnits, flags6)) == 1;
}

}  // namespace morvel::test
