// The board framework: what every cartridge board installs (CPU and PPU page
// handlers, bank windows, nametable mirroring) and the primitives to switch banks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "core/memory_map.h"
#include "ppu/ppu_bus.h"

namespace morvel {

enum MirroringMode : uint32_t {
    kMirrorHorizontal = 0,
    kMirrorVertical = 1,
    kMirrorSingleLower = 2,
    kMirrorSingleUpper = 3,
    kMirrorFourScreen = 4,
};

// The two-bit mirroring field many chips share: 0 vertical, 1 horizontal,
// 2 and 3 one screen of the first or the second nametable.
constexpr uint8_t kTwoBitMirroring[4] = {kMirrorVertical, kMirrorHorizontal, kMirrorSingleLower,
                                         kMirrorSingleUpper};

extern uint8_t* prgBase;
extern uint8_t* chrBase;
extern uint8_t* chrPagePtr[8];  // 1 KB of CHR data per pattern page

// The bank numbers behind the pointers, kept so that save states can store
// numbers and rebuild the pointers. Stored raw, in this order.
struct BankNumbers {
    uint32_t prgPageBank[16];  // 4 KB unit index per CPU page
    uint32_t chrPageBank[16];  // 1 KB unit index per pattern page (first 8 used)
    uint32_t mirroringState;   // the arrangement a register chose (ChooseMirroring)
    uint32_t prgBankCount;     // PRG banks in the board's own bank size
    uint32_t chrBankCount;     // CHR banks in the board's own bank size
};
static_assert(sizeof(BankNumbers) == 140);
static_assert(std::is_trivially_copyable_v<BankNumbers>);

extern BankNumbers banks;

// 8 KB of CHR RAM, used directly by the CHR RAM handlers; saved in save states.
extern uint8_t chrRam[8192];

// How much data the bank windows may reach: the loaded PRG image in 4 KB units
// and the CHR block in 1 KB units. Every mapping stays inside these.
extern uint32_t prgUnitCount;
extern uint32_t chrUnitCount;

void MapPrgBanks(uint32_t cpuAddress, uint32_t bank, uint32_t size);
void MapChrBanks(uint32_t ppuAddress, uint32_t bank, uint32_t size);
// Shows four 8 KB PRG banks at $8000, $A000, $C000 and $E000.
void MapPrg8kBanks(uint32_t at8000, uint32_t atA000, uint32_t atC000, uint32_t atE000);
// Shows 1 KB of CHR data (a unit number, wrapped around the block) at one
// nametable quarter (0-3) and its mirror 4 KB higher; writes there change
// nothing.
void ShowChrAtQuarter(uint32_t quarter, uint32_t chrUnit);
void SetMirroring(uint32_t mode);
// The nametable handlers are not part of a save state: a board whose register
// chooses the arrangement keeps its choice in banks.mirroringState, 0 while
// the header's stands, a one-screen page as 2 or 3 (as AOROM always kept
// it), any other mode as kMirroringChosen | mode. Set-up starts at 0.
constexpr uint32_t kMirroringChosen = 8;
void ChooseMirroring(uint32_t mode);
// The afterStateLoad of such a board (or part of it): puts the choice back.
void RestoreChosenMirroring();
// Shows nametable page (0-3) at one quarter (0-3: $2000, $2400, $2800, $2C00)
// and at its mirror 4 KB higher.
void SetNametableQuarter(uint32_t quarter, uint32_t page);
// Shows nametable page (0-3) at any one PPU page (0-15), a pattern page too.
void SetNametablePage(uint32_t ppuPage, uint32_t page);
// The nametable page (0-3) that a mirroring mode shows at a quarter (0-3).
uint32_t MirroringPage(uint32_t mode, uint32_t quarter);
void RebuildBankPointers();

// Installs a read and write handler on a range of CPU or PPU pages.
void SetCpuPages(int first, int last, CpuReadHandler read, CpuWriteHandler write);
void SetPpuPages(int first, int last, PpuReadHandler read, PpuWriteHandler write);

// The standard handlers boards install (and PrgPageRead, in the memory map).
// PRG and CHR ROM are read-only: a write to them changes nothing (a board's
// registers may see it through their own handler).
uint8_t ChrPageRead(uint32_t address);
void ChrPageWrite(uint32_t address, uint8_t value);
void IgnorePpuWrite(uint32_t address, uint8_t value);
uint8_t ChrRamRead(uint32_t address);
void ChrRamWrite(uint32_t address, uint8_t value);
void IgnoreCpuWrite(uint32_t address, uint8_t value);
// Reads of CPU space nothing answers: the data bus keeps its last value.
uint8_t OpenBusRead(uint32_t address);

// What InitBoard needs to know of the header.
struct BoardHeader {
    uint32_t prgUnits;  // 16 KB units
    uint32_t chrUnits;  // 8 KB units, 0 for CHR RAM
    uint32_t mirroring;
    uint32_t submapper;  // the NES 2.0 submapper, 0 for an iNES 1.0 header
    bool battery;        // the board keeps memory by battery (iNES byte 6 bit 1, or NES 2.0 NVRAM)
    // Work RAM kept by the battery: the NES 2.0 PRG-NVRAM size, 8 KB for an
    // iNES 1.0 header with the battery bit, else 0.
    uint32_t batteryRamBytes;
};

// The header of the loaded cartridge, as its board was set up.
extern BoardHeader boardHeader;

// The write handler of the CHR data: none for ROM, ChrPageWrite for the
// block given to a cartridge without CHR ROM.
PpuWriteHandler ChrDataWrite(const BoardHeader& header);

// Installs the pattern handlers, runs the board's set-up and applies the
// header's mirroring.
void InitBoard(const BoardHeader& header);

// The board set-ups, one per source file.
void SetupNrom(const BoardHeader& header);
void SetupUnrom(const BoardHeader& header);
void SetupCnrom(const BoardHeader& header);
void SetupAorom(const BoardHeader& header);
void SetupBxrom(const BoardHeader& header);
void SetupMapper58(const BoardHeader& header);
void SetupMapper226(const BoardHeader& header);
void SetupMmc1(const BoardHeader& header);
void Mmc1AfterMirroring();
void Mmc1AfterStateLoad();
void SetupMmc3(const BoardHeader& header);
void SetupMapper118(const BoardHeader& header);
void SetupMapper189(const BoardHeader& header);
void Mmc3AfterStateLoad();
void SetupMmc5(const BoardHeader& header);
void Mmc5AfterStateLoad();
void SetupMmc2(const BoardHeader& header);
void SetupTaitoTc0190(const BoardHeader& header);

// Maps 32 KB of PRG at $8000: a 16 KB image twice, a larger one from its start.
void MapNromPrg(const BoardHeader& header);
// Sets banks.prgBankCount and chrBankCount for a board that switches PRG in
// 8 KB and CHR in 1 KB banks.
void CountBanks8kPrg1kChr(const BoardHeader& header);

}  // namespace morvel
