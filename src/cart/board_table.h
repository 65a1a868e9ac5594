// The supported boards, one row per iNES mapper number. Every question about
// a board (its name, set-up, which images it takes, what a save state adds
// for it, what it does inside the PPU) is answered from its row; nothing else
// compares mapper numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cart/board.h"
#include "ppu/board_ppu_hooks.h"

namespace morvel {

// What the pattern pages ($0000-$1FFF) are wired to.
enum class PatternMemory : uint8_t {
    kByHeader,    // the CHR data, or 8 KB of CHR RAM when the header has none
    kAlwaysRam,   // 8 KB of CHR RAM whatever the header says
    kAlwaysData,  // the CHR data block (all zeros when the header has none)
};

// The registers a board keeps beyond the bank numbers of a slot: the live
// record, and an array of one capture per save-state slot, written after the
// slots in the state file. Null and 0 for boards that keep nothing.
struct BoardExtras {
    void* live;
    size_t size;
    void* saved;  // kStateSlots entries of `size` bytes
    // Whether a capture (bytes of a file, unaligned) holds only values the
    // board itself can leave; otherwise false with the reason.
    bool (*fits)(const uint8_t* saved, std::string& why);
};

struct SupportedBoard {
    uint8_t mapper;
    char name[20];  // shown by the ROM browser
    void (*setup)(const BoardHeader& header);
    PatternMemory patterns;
    uint8_t maxPrgUnits;  // the most 16 KB PRG units the board can map, 0: any
    // Run after the header's mirroring is applied (MMC1 replaces it).
    void (*afterMirroring)();
    // Run after a save state restored the registers: puts back what they
    // imply but the page tables do not keep (nametables, RAM pages).
    void (*afterStateLoad)();
    BoardExtras extras;
    PpuBoardHooks ppu;
    // The NES 2.0 submappers (bit n for submapper n) whose chip counts
    // scanlines by the earlier MMC3 rule; the later rule is the default.
    uint16_t earlyCounterSubmappers;
};

extern const SupportedBoard supportedBoards[13];

// The row of a mapper number, or null when the board is not supported.
const SupportedBoard* FindSupportedBoard(int32_t mapper);

}  // namespace morvel
