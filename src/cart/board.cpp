// The board framework shared by every cartridge board.
#include "cart/board.h"

#include "cart/board_clock.h"
#include "cart/board_table.h"
#include "cart/cartridge.h"
#include "core/cpu.h"
#include "ppu/ppu.h"

namespace morvel {

PpuReadHandler ppuReadPage[16];
PpuWriteHandler ppuWritePage[16];
uint8_t* prgBase;
uint8_t* chrBase;
uint8_t* prgPagePtr[16];
uint8_t* chrPagePtr[8];
BankNumbers banks;
uint8_t chrRam[8192];
uint32_t prgUnitCount;
uint32_t chrUnitCount;

namespace {

template <int kPage>
uint8_t NametableRead(uint32_t address) {
    return ppu.nametableRam[kPage][address & 0x3FF];
}

template <int kPage>
void NametableWrite(uint32_t address, uint8_t value) {
    ppu.nametableRam[kPage][address & 0x3FF] = value;
}

const PpuReadHandler kNametableRead[4] = {NametableRead<0>, NametableRead<1>, NametableRead<2>,
                                          NametableRead<3>};
const PpuWriteHandler kNametableWrite[4] = {NametableWrite<0>, NametableWrite<1>, NametableWrite<2>,
                                            NametableWrite<3>};

// The CHR data each nametable quarter shows while ShowChrAtQuarter put it there.
const uint8_t* chrAtQuarter[4];

template <int kQuarter>
uint8_t ChrQuarterRead(uint32_t address) {
    return chrAtQuarter[kQuarter][address & 0x3FF];
}

const PpuReadHandler kChrQuarterRead[4] = {ChrQuarterRead<0>, ChrQuarterRead<1>, ChrQuarterRead<2>,
                                           ChrQuarterRead<3>};

// Which nametable page each of $2000, $2400, $2800 and $2C00 shows, per mode.
// clang-format off
const uint8_t kMirroringPages[5][4] = {
    {0, 0, 1, 1},  // 0 horizontal
    {0, 1, 0, 1},  // 1 vertical
    {0, 0, 0, 0},  // 2 one-screen, page 0
    {1, 1, 1, 1},  // 3 one-screen, page 1
    {0, 1, 2, 3},  // 4 four-screen
};
// clang-format on

// UNROM and AOROM carry CHR RAM whatever the header says; CNROM always
// switches its CHR data.
bool PatternsAreRam(const SupportedBoard* board, const BoardHeader& header) {
    PatternMemory patterns = board ? board->patterns : PatternMemory::kByHeader;
    if (patterns == PatternMemory::kByHeader) return header.chrUnits == 0;
    return patterns == PatternMemory::kAlwaysRam;
}

}  // namespace

const uint8_t* ppuPlainPages[16];
const uint8_t* ppuWatchedPages[8];

// Called wherever a page's read handler or its CHR window changes.
void UpdatePlainPage(uint32_t page) {
    page &= 15;
    const PpuReadHandler read = ppuReadPage[page];
    const uint8_t* memory = nullptr;
    if (page < 8 && read == ChrPageRead) memory = chrPagePtr[page];
    if (page < 8 && read == ChrRamRead) memory = chrRam + page * 1024;
    for (uint32_t k = 0; k < 4; ++k)
        if (read == kNametableRead[k]) memory = ppu.nametableRam[k];
    ppuPlainPages[page] = memory;
    if (page < 8) {
        const PpuBoardHooks& hooks = ppuBoardHooks;
        const uint8_t* watched = nullptr;
        if (hooks.patternRun && hooks.watchedChrPageRead && read == hooks.watchedChrPageRead)
            watched = chrPagePtr[page];
        if (hooks.patternRun && hooks.watchedChrRamRead && read == hooks.watchedChrRamRead)
            watched = chrRam + page * 1024;
        ppuWatchedPages[page] = watched;
    }
}

// Bank numbers that reach past the loaded data wrap around it, as they would
// on a board whose upper bank lines are not connected, so no window ever
// points outside the image.
void MapPrgBanks(uint32_t cpuAddress, uint32_t bank, uint32_t size) {
    uint64_t unit = static_cast<uint64_t>(bank) * size / 4096;
    uint32_t firstPage = cpuAddress >> 12;
    for (uint32_t k = 0; k < size / 4096 && firstPage + k < 16; ++k, ++unit) {
        uint32_t reduced = prgUnitCount ? static_cast<uint32_t>(unit % prgUnitCount) : 0;
        prgPagePtr[firstPage + k] = prgBase + static_cast<size_t>(reduced) * 4096;
        banks.prgPageBank[firstPage + k] = reduced;
    }
}

void MapChrBanks(uint32_t ppuAddress, uint32_t bank, uint32_t size) {
    uint64_t unit = static_cast<uint64_t>(bank) * size / 1024;
    uint32_t firstPage = ppuAddress >> 10;
    for (uint32_t k = 0; k < size / 1024 && firstPage + k < 8; ++k, ++unit) {
        uint32_t reduced = chrUnitCount ? static_cast<uint32_t>(unit % chrUnitCount) : 0;
        chrPagePtr[firstPage + k] = chrBase + static_cast<size_t>(reduced) * 1024;
        banks.chrPageBank[firstPage + k] = reduced;
        UpdatePlainPage(firstPage + k);
    }
}

void CountBanks8kPrg1kChr(const BoardHeader& header) {
    banks.prgBankCount = 2 * header.prgUnits;
    banks.chrBankCount = 8 * header.chrUnits;
}

void MapPrg8kBanks(uint32_t at8000, uint32_t atA000, uint32_t atC000, uint32_t atE000) {
    MapPrgBanks(0x8000, at8000, 0x2000);
    MapPrgBanks(0xA000, atA000, 0x2000);
    MapPrgBanks(0xC000, atC000, 0x2000);
    MapPrgBanks(0xE000, atE000, 0x2000);
}

void SetMirroring(uint32_t mode) {
    if (mode > kMirrorFourScreen) return;
    for (int slot = 0; slot < 4; ++slot) {
        int page = kMirroringPages[mode][slot];
        SetPpuPages(8 + slot, 8 + slot, kNametableRead[page], kNametableWrite[page]);
        SetPpuPages(12 + slot, 12 + slot, kNametableRead[page], kNametableWrite[page]);
    }
}

void ChooseMirroring(uint32_t mode) {
    const bool oneScreen = mode == kMirrorSingleLower || mode == kMirrorSingleUpper;
    banks.mirroringState = oneScreen ? mode : kMirroringChosen | mode;
    SetMirroring(mode);
}

void RestoreChosenMirroring() {
    const uint32_t kept = banks.mirroringState;
    if (kept == kMirrorSingleLower || kept == kMirrorSingleUpper)
        SetMirroring(kept);
    else if (kept & kMirroringChosen)
        SetMirroring(kept & ~kMirroringChosen);
    else
        SetMirroring(boardHeader.mirroring);
}

uint32_t MirroringPage(uint32_t mode, uint32_t quarter) {
    return kMirroringPages[mode <= kMirrorFourScreen ? mode : kMirrorFourScreen][quarter & 3];
}

void SetNametableQuarter(uint32_t quarter, uint32_t page) {
    if (quarter > 3) return;
    SetNametablePage(8 + quarter, page);
    SetNametablePage(12 + quarter, page);
}

void SetNametablePage(uint32_t ppuPage, uint32_t page) {
    if (ppuPage > 15 || page > 3) return;
    const int slot = static_cast<int>(ppuPage);
    SetPpuPages(slot, slot, kNametableRead[page], kNametableWrite[page]);
}

void ShowChrAtQuarter(uint32_t quarter, uint32_t chrUnit) {
    if (quarter > 3) return;
    const uint32_t unit = chrUnitCount ? chrUnit % chrUnitCount : 0;
    chrAtQuarter[quarter] = chrBase + static_cast<size_t>(unit) * 1024;
    int slot = static_cast<int>(quarter);
    SetPpuPages(8 + slot, 8 + slot, kChrQuarterRead[quarter], IgnorePpuWrite);
    SetPpuPages(12 + slot, 12 + slot, kChrQuarterRead[quarter], IgnorePpuWrite);
}

// The numbers come from a save state: one that lies past the loaded data
// (which the state checks refuse) wraps around it as MapPrgBanks would, so no
// pointer leaves the image.
void RebuildBankPointers() {
    for (int i = 0; i < 8; ++i) {
        uint32_t& unit = banks.chrPageBank[i];
        unit = chrUnitCount ? unit % chrUnitCount : 0;
        chrPagePtr[i] = chrBase + static_cast<size_t>(unit) * 1024;
        UpdatePlainPage(static_cast<uint32_t>(i));
    }
    for (int p = 8; p < 16; ++p) {
        uint32_t& unit = banks.prgPageBank[p];
        unit = prgUnitCount ? unit % prgUnitCount : 0;
        prgPagePtr[p] = prgBase + static_cast<size_t>(unit) * 4096;
    }
}

void SetCpuPages(int first, int last, CpuReadHandler read, CpuWriteHandler write) {
    for (int page = first; page <= last; ++page) {
        cpuReadPage[page] = read;
        cpuWritePage[page] = write;
    }
}

void SetPpuPages(int first, int last, PpuReadHandler read, PpuWriteHandler write) {
    for (int page = first; page <= last; ++page) {
        ppuReadPage[page] = read;
        ppuWritePage[page] = write;
        UpdatePlainPage(static_cast<uint32_t>(page));
    }
}

uint8_t PrgPageRead(uint32_t address) {
    return prgPagePtr[(address >> 12) & 15][address & 0xFFF];
}
uint8_t ChrPageRead(uint32_t address) {
    return chrPagePtr[(address >> 10) & 7][address & 0x3FF];
}
// Only for the block a cartridge without CHR ROM gets (a board that always
// banks its CHR data then banks this RAM); CHR ROM takes IgnorePpuWrite.
void ChrPageWrite(uint32_t address, uint8_t value) {
    chrPagePtr[(address >> 10) & 7][address & 0x3FF] = value;
}
void IgnorePpuWrite(uint32_t, uint8_t) {}
PpuWriteHandler ChrDataWrite(const BoardHeader& header) {
    return header.chrUnits ? IgnorePpuWrite : ChrPageWrite;
}
uint8_t ChrRamRead(uint32_t address) {
    return chrRam[address & 0x1FFF];
}
void ChrRamWrite(uint32_t address, uint8_t value) {
    chrRam[address & 0x1FFF] = value;
}
void IgnoreCpuWrite(uint32_t, uint8_t) {}
uint8_t OpenBusRead(uint32_t) {
    return cpuCycle.openBus;
}

void InitBoard(const BoardHeader& header) {
    // Start from bank 0 everywhere, so that no window of the previous
    // cartridge survives on a board that never maps one (CHR RAM boards).
    MapPrgBanks(0x8000, 0, 0x8000);
    MapChrBanks(0, 0, 0x2000);
    // The last cartridge's choice and counts are not this one's.
    banks.mirroringState = 0;
    banks.prgBankCount = 0;
    banks.chrBankCount = 0;
    const SupportedBoard* board = FindSupportedBoard(static_cast<int32_t>(mapperNumber));
    if (PatternsAreRam(board, header))
        SetPpuPages(0, 7, ChrRamRead, ChrRamWrite);
    else
        SetPpuPages(0, 7, ChrPageRead, ChrDataWrite(header));
    ppuBoardHooks = board ? board->ppu : PpuBoardHooks{};
    // The clock starts counting at power-on (BoardResyncClock).
    boardClock = {board ? board->cpuClock : nullptr, 0, kBoardNever};
    if (board) board->setup(header);
    SetMirroring(header.mirroring);
    if (board && board->afterMirroring) board->afterMirroring();
}

}  // namespace morvel
