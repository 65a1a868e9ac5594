// The supported boards, one row per iNES mapper number. Every question about
// a board (its name, set-up, which images it takes, what a save state adds
// for it, what it does inside the PPU) is answered from its row; nothing else
// compares mapper numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
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

// Memory a board keeps powered by its battery besides work RAM (an EEPROM, a
// chip's internal RAM): written after the work RAM in the ".sav" file.
struct BatteryPart {
    uint8_t* data;
    size_t size;
};

// A row names only what differs from a plain board: see the table's rows.
struct SupportedBoard {
    uint16_t mapper;
    char name[20];  // shown by the ROM browser
    void (*setup)(const BoardHeader& header);
    PatternMemory patterns = PatternMemory::kByHeader;
    uint8_t maxPrgUnits = 0;  // the most 16 KB PRG units the board can map, 0: any
    // Run after the header's mirroring is applied (MMC1 replaces it).
    void (*afterMirroring)() = nullptr;
    // Run after a save state restored the registers: puts back what they
    // imply but the page tables do not keep (nametables, RAM pages).
    void (*afterStateLoad)() = nullptr;
    BoardExtras extras = {nullptr, 0, nullptr, nullptr};
    PpuBoardHooks ppu = {};
    // The NES 2.0 submappers (bit n for submapper n) whose chip counts
    // scanlines by the earlier MMC3 rule; the later rule is the default.
    uint16_t earlyCounterSubmappers = 0;
    // The NES 2.0 submappers the board knows (bit n for submapper n); an
    // image naming another is refused. Submapper 0 is the board's default.
    uint16_t submappers = 1;
    // Runs what the board counts in CPU cycles (board_clock.h); null: nothing.
    void (*cpuClock)(uint64_t last) = nullptr;
    // Whether work RAM at $6000-$7FFF is what the battery keeps.
    bool batteryWorkRam = true;
    // The board's own battery-kept memory, after any work RAM; null: none.
    BatteryPart (*batteryMemory)(const BoardHeader& header) = nullptr;
    // The most work RAM and CHR RAM an NES 2.0 header may ask of the board.
    uint32_t maxPrgRamBytes = 8192;
    uint32_t maxChrRamBytes = 8192;
    // Registers the board keeps beyond `extras` since a later version (its
    // sound, say): saved like the extras but in a versioned part of their own
    // at the end of the state file, so that the files written before still
    // load; their slots load with this record all zeros, which must be a
    // state the board can run from.
    BoardExtras addedExtras = {nullptr, 0, nullptr, nullptr};
};

extern const std::span<const SupportedBoard> supportedBoards;

// The row of a mapper number, or null when the board is not supported.
const SupportedBoard* FindSupportedBoard(int32_t mapper);

}  // namespace morvel
