// The PPU's view of memory: sixteen 1 KB pages of its 16 KB address space,
// each served by a read and a write handler. The boards fill the tables
// (cart/board.h): pages 0-7 with their pattern-table handlers, 8-15 with the
// nametable mirroring.
#pragma once

#include <cstdint>

namespace morvel {

using PpuReadHandler = uint8_t (*)(uint32_t address);
using PpuWriteHandler = void (*)(uint32_t address, uint8_t value);

// PPU $0000-$3FFF in 1 KB pages: 0-7 pattern tables, 8-11 nametables, 12-15
// always the same handlers as 8-11.
extern PpuReadHandler ppuReadPage[16];
extern PpuWriteHandler ppuWritePage[16];

// The memory each page's reads come from (1 KB, indexed by address AND
// $3FF) when its read handler is a plain read of memory that does nothing
// else (no latch, no watcher); null for any other handler. Kept up to date
// by the board framework as it installs handlers and switches CHR banks.
extern const uint8_t* ppuPlainPages[16];
inline const uint8_t* PlainPpuPage(uint32_t page) {
    return ppuPlainPages[page & 15];
}

// The same for pattern pages 0-7 whose read handler shows the address to the
// board's watcher and then reads plain memory (PpuBoardHooks::patternRun);
// null for any other handler. A renderer that reads them directly must tell
// the watcher through patternRun.
extern const uint8_t* ppuWatchedPages[8];
inline const uint8_t* PpuWatchedPage(uint32_t page) {
    return ppuWatchedPages[page & 7];
}

// The PPU's bus is 14 bits wide; the page index is masked so that no address
// can leave the tables.
inline uint8_t PpuBusRead(uint32_t address) {
    return ppuReadPage[(address >> 10) & 15](address & 0x3FFF);
}
inline void PpuBusWrite(uint32_t address, uint8_t value) {
    ppuWritePage[(address >> 10) & 15](address & 0x3FFF, value);
}

}  // namespace morvel
