// The MMC5 board (mapper 5): four PRG banking modes with ROM or RAM in each
// 8 KB window, 64 KB of PRG RAM, four CHR modes with a second register set for
// the background of 8x16-sprite games, 1 KB of ExRAM, per-quarter nametables,
// a multiplier and a scanline interrupt; its sound is in mmc5_sound.h. No
// fill mode or split screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

// The MMC5's whole state, RAM included, as save states keep it: 75016 bytes,
// stored raw.
struct Mmc5State {
    uint32_t mmc5PrgMode;  // $5100 AND 3
    uint32_t mmc5ChrMode;  // $5101 AND 3
    uint8_t mmc5ExRam[1024];
    uint8_t mmc5PrgRam[65536];  // eight 8 KB banks
    uint8_t mmc5BgChr[8192];    // background CHR copied from set B while sprites are 8x16
    uint32_t mmc5ChrHigh;       // ($5130 AND 3) << 8: bits 8-9 of every CHR value
    uint32_t mmc5ExRamMode;     // $5104 AND 3
    uint32_t mmc5ChrUpper;      // $5130 AND 3, for the extended attribute fetch
    uint32_t mmc5IrqTarget;     // $5203
    uint32_t mmc5IrqEnable;     // $5204 value AND $80
    uint32_t mmc5IrqPending;    // set by the scanline detection, cleared by reading $5204
    uint32_t mmc5InFrame;       // 1 while the PPU is inside a rendered frame
    uint32_t mmc5LineCounter;   // lines counted since the frame began
    uint8_t mmc5FillTile;       // $5106, stored only
    uint8_t mmc5FillAttr;       // $5107 AND 3, stored only
    uint8_t reserved0[2];
    uint32_t mmc5ChrRegs[12];  // $5120-$512B with bits 8-9
    uint32_t mmc5RamProtect;   // ($5102 AND 2) OR ($5103 AND 1), stored only
    uint32_t mmc5ChrSize;      // CHR size in bytes
    uint32_t mmc5ExAttrByte;   // ExRAM byte of the tile being fetched
    uint32_t mmc5ExChrOffset;  // CHR offset derived from it
    uint16_t mmc5MulA;         // $5205
    uint16_t mmc5MulB;         // $5206
    uint16_t mmc5Product;
    uint8_t reserved1[2];
    uint32_t mmc5PrgPageBank[16];  // 4 KB unit of PRG RAM behind each RAM-mapped CPU page
    uint8_t mmc5PageIsRam[16];     // 1 where a CPU page carries the PRG RAM handlers
    uint8_t mmc5Nametables[4];     // what each quarter shows: 0-3 a nametable page, 4 ExRAM
    uint8_t mmc5NametablesKept;    // 1 once the choices above are kept (0 in older files)
    uint8_t reserved2[63];
};
static_assert(sizeof(Mmc5State) == 75016);
static_assert(std::is_trivially_copyable_v<Mmc5State>);
static_assert(offsetof(Mmc5State, mmc5ExRam) == 8);
static_assert(offsetof(Mmc5State, mmc5PrgRam) == 1032);
static_assert(offsetof(Mmc5State, mmc5BgChr) == 66568);
static_assert(offsetof(Mmc5State, mmc5ChrHigh) == 74760);
static_assert(offsetof(Mmc5State, mmc5FillTile) == 74792);
static_assert(offsetof(Mmc5State, mmc5ChrRegs) == 74796);
static_assert(offsetof(Mmc5State, mmc5MulA) == 74860);
static_assert(offsetof(Mmc5State, mmc5PrgPageBank) == 74868);
static_assert(offsetof(Mmc5State, mmc5PageIsRam) == 74932);
static_assert(offsetof(Mmc5State, mmc5Nametables) == 74948);

// What mmc5Nametables holds for a quarter that shows ExRAM.
constexpr uint8_t kMmc5ExRamQuarter = 4;

extern Mmc5State mmc5;

// The PRG RAM behind each CPU page that maps RAM; rebuilt, never stored.
extern uint8_t* mmc5RamPagePtr[16];

uint8_t Mmc5RegisterRead(uint32_t address);
void Mmc5RegisterWrite(uint32_t address, uint8_t value);

// The rendering step used instead of the normal one on this board.
void StepRenderMmc5(int32_t owed);

// Clears the in-frame flag when the game turns rendering off.
void Mmc5ClearInFrame();

// Maps size bytes (a multiple of 4 KB) of PRG RAM from byte bank * size at cpuAddress.
void MapRamBanks(uint32_t cpuAddress, uint32_t bank, uint32_t size);

// After a save state restored the block: re-points every RAM page and puts
// the RAM or ROM handlers back on pages 6-15 as the block records them.
void Mmc5RebuildRamPointers();

// The PRG RAM the battery keeps: as much as the header says (8 KB for an
// iNES 1.0 header, which cannot say).
struct BatteryPart;
struct BoardHeader;
BatteryPart Mmc5BatteryMemory(const BoardHeader& header);

// True while the scanline interrupt is both enabled and pending.
bool Mmc5IrqAsserting();

// One byte of the CHR image at a byte offset, kept inside the loaded data.
uint8_t Mmc5ChrByte(uint32_t offset);

// Checks a saved capture of the registers before a state load takes it;
// false with the reason when a field is out of range.
bool Mmc5Fits(const Mmc5State& saved, std::string& why);

}  // namespace morvel
