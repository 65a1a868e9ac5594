// MMC5 (mapper 5): registers at $5100-$5206, ExRAM at $5C00-$5FFF, PRG RAM or
// ROM in every 8 KB window. The scanline detection and the extended attribute
// fetch live in the MMC5 rendering step (mmc5_render.cpp).
#include "cart/mmc5.h"

#include <cstring>

#include "cart/board.h"
#include "cart/board_table.h"
#include "cart/mmc5_sound.h"
#include "core/cpu.h"
#include "core/state_rules.h"
#include "ppu/ppu.h"

namespace morvel {

Mmc5State mmc5;
uint8_t* mmc5RamPagePtr[16];

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k4K = 0x1000;
constexpr uint32_t k8K = 0x2000;
constexpr uint32_t k16K = 0x4000;
constexpr uint32_t k32K = 0x8000;
constexpr uint32_t kRamUnits = sizeof mmc5.mmc5PrgRam / k4K;

uint8_t PrgRamRead(uint32_t address) {
    return mmc5RamPagePtr[(address >> 12) & 15][address & 0xFFF];
}
void PrgRamWrite(uint32_t address, uint8_t value) {
    mmc5RamPagePtr[(address >> 12) & 15][address & 0xFFF] = value;
}

uint8_t ExRamNametableRead(uint32_t address) {
    return mmc5.mmc5ExRam[address & 0x3FF];
}
void ExRamNametableWrite(uint32_t address, uint8_t value) {
    mmc5.mmc5ExRam[address & 0x3FF] = value;
}

// Puts the RAM or the ROM handlers on CPU pages first-last and remembers the
// choice in the block, so that a restored state can put them back.
void SetPrgPages(int first, int last, bool ram) {
    if (ram)
        SetCpuPages(first, last, PrgRamRead, PrgRamWrite);
    else
        SetCpuPages(first, last, PrgPageRead, IgnoreCpuWrite);
    for (int page = first; page <= last; ++page) mmc5.mmc5PageIsRam[page] = ram ? 1 : 0;
}

// The ROM masks for 8 KB, 16 KB and 32 KB banks; prgBankCount counts 32 KB.
uint32_t Mask8K() {
    return 4 * banks.prgBankCount - 1;
}
uint32_t Mask16K() {
    return 2 * banks.prgBankCount - 1;
}
uint32_t Mask32K() {
    return banks.prgBankCount - 1;
}

// An 8 KB window at cpuAddress: bit 7 of the value chooses ROM, else RAM
// bank (value AND 7).
void Map8KWindow(uint32_t cpuAddress, uint8_t v) {
    int page = static_cast<int>(cpuAddress >> 12);
    if (v & 0x80) {
        SetPrgPages(page, page + 1, false);
        MapPrgBanks(cpuAddress, v & 0x7F & Mask8K(), k8K);
    } else {
        MapRamBanks(cpuAddress, v & 7, k8K);
        SetPrgPages(page, page + 1, true);
    }
}

void Write5114(uint8_t v) {
    if (mmc5.mmc5PrgMode == 3) Map8KWindow(0x8000, v);
}

void Write5115(uint8_t v) {
    if (mmc5.mmc5PrgMode == 1 || mmc5.mmc5PrgMode == 2) {
        if (v & 0x80) {
            SetPrgPages(8, 11, false);
            MapPrgBanks(0x8000, (v >> 1) & 0x3F & Mask16K(), k16K);
        } else {
            MapRamBanks(0x8000, (v >> 1) & 3, k16K);
            SetPrgPages(8, 11, true);
        }
    } else if (mmc5.mmc5PrgMode == 3) {
        Map8KWindow(0xA000, v);
    }
}

void Write5116(uint8_t v) {
    if (mmc5.mmc5PrgMode >= 2) Map8KWindow(0xC000, v);
}

// $5117 always maps ROM; its window grows with the smaller modes.
void Write5117(uint8_t v) {
    switch (mmc5.mmc5PrgMode) {
        case 0:
            SetPrgPages(8, 15, false);
            MapPrgBanks(0x8000, (v >> 2) & 0x1F & Mask32K(), k32K);
            break;
        case 1:
            SetPrgPages(12, 15, false);
            MapPrgBanks(0xC000, (v >> 1) & 0x3F & Mask16K(), k16K);
            break;
        default:
            SetPrgPages(14, 15, false);
            MapPrgBanks(0xE000, v & 0x7F & Mask8K(), k8K);
            break;
    }
}

// Where each CHR register maps in CHR modes 0 (8 KB), 1 (4 KB), 2 (2 KB) and
// 3 (1 KB); kNone: the value is only stored. Set B ($5128-$512B) in modes
// 1-3 maps the same bank in both pattern halves.
constexpr int32_t kNone = -1;
// clang-format off
const int32_t kChrWindow[12][4] = {
    {kNone,  kNone,  kNone,  0x0000},  // $5120
    {kNone,  kNone,  0x0000, 0x0400},  // $5121
    {kNone,  kNone,  kNone,  0x0800},  // $5122
    {kNone,  0x0000, 0x0800, 0x0C00},  // $5123
    {kNone,  kNone,  kNone,  0x1000},  // $5124
    {kNone,  kNone,  0x1000, 0x1400},  // $5125
    {kNone,  kNone,  kNone,  0x1800},  // $5126
    {0x0000, 0x1000, 0x1800, 0x1C00},  // $5127
    {kNone,  kNone,  kNone,  0x0000},  // $5128, and 4 KB higher
    {kNone,  kNone,  0x0000, 0x0400},  // $5129, and 4 KB higher
    {kNone,  kNone,  kNone,  0x0800},  // $512A, and 4 KB higher
    {0x0000, 0x0000, 0x0800, 0x0C00},  // $512B, and 4 KB higher but in mode 0
};
// clang-format on

// Copies size bytes of CHR bank `bank` into the background copy at offset.
void CopyToBgChr(uint32_t offset, uint32_t bank, uint32_t size) {
    if (chrUnitCount == 0) return;
    uint64_t unit = static_cast<uint64_t>(bank) * size / k1K;
    for (uint32_t k = 0; k < size / k1K && offset + (k + 1) * k1K <= sizeof mmc5.mmc5BgChr;
         ++k, ++unit) {
        uint32_t reduced = static_cast<uint32_t>(unit % chrUnitCount);
        std::memcpy(mmc5.mmc5BgChr + offset + k * k1K, chrBase + size_t{reduced} * k1K, k1K);
    }
}

void WriteChrRegister(uint32_t index, uint8_t v) {
    uint32_t c = (mmc5.mmc5ChrHigh & ~0xFFu) | v;
    mmc5.mmc5ChrRegs[index] = c;
    mmc5.mmc5ChrHigh = c;
    uint32_t mode = mmc5.mmc5ChrMode & 3;
    int32_t window = kChrWindow[index][mode];
    if (window == kNone) return;
    uint32_t size = k8K >> mode;
    uint32_t bank = c & (banks.chrBankCount / (size / k1K) - 1);
    uint32_t address = static_cast<uint32_t>(window);
    bool setB = index >= 8;
    bool bothHalves = setB && mode != 0;
    if (setB && ppu.spriteHeightMinus1 == 15) {
        // 8x16 sprites: set B feeds only the background fetch.
        CopyToBgChr(address, bank, size);
        if (bothHalves) CopyToBgChr(address + k4K, bank, size);
        return;
    }
    MapChrBanks(address, bank, size);
    if (bothHalves) MapChrBanks(address + k4K, bank, size);
}

// Shows a nametable page (0-3) or ExRAM (kMmc5ExRamQuarter) at a quarter and
// keeps the choice in the block, so that a save state can put it back.
void ShowAtQuarter(uint32_t quarter, uint32_t source) {
    if (source == kMmc5ExRamQuarter) {
        int page = 8 + static_cast<int>(quarter);
        SetPpuPages(page, page, ExRamNametableRead, ExRamNametableWrite);
        SetPpuPages(page + 4, page + 4, ExRamNametableRead, ExRamNametableWrite);
    } else {
        SetNametableQuarter(quarter, source);
    }
    mmc5.mmc5Nametables[quarter] = static_cast<uint8_t>(source);
}

// $5105: two bits per nametable quarter: 0 and 1 the console's nametables,
// 2 ExRAM, 3 leaves the quarter as it is.
void WriteNametableMapping(uint8_t v) {
    for (uint32_t quarter = 0; quarter < 4; ++quarter) {
        uint32_t source = (v >> (2 * quarter)) & 3;
        if (source < 2)
            ShowAtQuarter(quarter, source);
        else if (source == 2)
            ShowAtQuarter(quarter, kMmc5ExRamQuarter);
    }
}

// ExRAM written by the CPU: in modes 0 and 1 the PPU owns it while it renders
// the visible lines, and a write outside them stores 0; mode 2 is plain RAM;
// mode 3 is read-only.
void WriteExRam(uint32_t address, uint8_t v) {
    uint8_t& cell = mmc5.mmc5ExRam[address & 0x3FF];
    switch (mmc5.mmc5ExRamMode) {
        case 0:
        case 1: cell = (ppu.scanline >= 0 && ppu.scanline <= 239) ? v : 0; break;
        case 2: cell = v; break;
        default: break;
    }
}

void WriteControlRegister(uint32_t address, uint8_t v) {
    switch (address) {
        case 0x5100: mmc5.mmc5PrgMode = v & 3; break;
        case 0x5101: mmc5.mmc5ChrMode = v & 3; break;
        case 0x5102: mmc5.mmc5RamProtect |= v & 2; break;
        case 0x5103: mmc5.mmc5RamProtect |= v & 1; break;
        case 0x5104: mmc5.mmc5ExRamMode = v & 3; break;
        case 0x5105: WriteNametableMapping(v); break;
        case 0x5106: mmc5.mmc5FillTile = v; break;
        case 0x5107: mmc5.mmc5FillAttr = v & 3; break;
        case 0x5113:
            SetPrgPages(6, 7, true);
            MapRamBanks(0x6000, v & 7, k8K);
            break;
        case 0x5114: Write5114(v); break;
        case 0x5115: Write5115(v); break;
        case 0x5116: Write5116(v); break;
        case 0x5117: Write5117(v); break;
        case 0x5130:
            mmc5.mmc5ChrUpper = v & 3;
            mmc5.mmc5ChrHigh = static_cast<uint32_t>(v & 3) << 8;
            break;
        default:
            if (address >= 0x5120 && address <= 0x512B) WriteChrRegister(address - 0x5120, v);
            break;
    }
}

}  // namespace

void MapRamBanks(uint32_t cpuAddress, uint32_t bank, uint32_t size) {
    uint64_t unit = static_cast<uint64_t>(bank) * size / k4K;
    uint32_t firstPage = cpuAddress >> 12;
    for (uint32_t k = 0; k < size / k4K && firstPage + k < 16; ++k, ++unit) {
        uint32_t reduced = static_cast<uint32_t>(unit % kRamUnits);
        mmc5RamPagePtr[firstPage + k] = mmc5.mmc5PrgRam + size_t{reduced} * k4K;
        mmc5.mmc5PrgPageBank[firstPage + k] = reduced;
    }
}

void Mmc5RebuildRamPointers() {
    for (int page = 6; page < 16; ++page) {
        uint32_t unit = mmc5.mmc5PrgPageBank[page] % kRamUnits;
        mmc5.mmc5PrgPageBank[page] = unit;
        mmc5RamPagePtr[page] = mmc5.mmc5PrgRam + size_t{unit} * k4K;
        if (page >= 8) SetPrgPages(page, page, mmc5.mmc5PageIsRam[page] != 0);
    }
    SetPrgPages(6, 7, true);
}

void Mmc5AfterStateLoad() {
    Mmc5RebuildRamPointers();
    // A block from an older file keeps no arrangement: the one of the moment stays.
    if (!mmc5.mmc5NametablesKept) return;
    for (uint32_t quarter = 0; quarter < 4; ++quarter)
        ShowAtQuarter(quarter, mmc5.mmc5Nametables[quarter] <= kMmc5ExRamQuarter
                                   ? mmc5.mmc5Nametables[quarter]
                                   : 0);
}

bool Mmc5IrqAsserting() {
    return mmc5.mmc5IrqEnable != 0 && mmc5.mmc5IrqPending != 0;
}

uint8_t Mmc5ChrByte(uint32_t offset) {
    uint32_t size = chrUnitCount * k1K;
    if (size == 0) return 0;
    return chrBase[(offset & (mmc5.mmc5ChrSize - 1)) % size];
}

void Mmc5ClearInFrame() {
    mmc5.mmc5InFrame = 0;
}

uint8_t Mmc5RegisterRead(uint32_t address) {
    if (address >= 0x5C00) return mmc5.mmc5ExRamMode >= 2 ? mmc5.mmc5ExRam[address & 0x3FF] : 0;
    switch (address) {
        case 0x5204: {
            CpuReachPpu();  // the frame and scanline flags as of this dot
            uint8_t status = static_cast<uint8_t>((mmc5.mmc5IrqPending ? 0x80 : 0) |
                                                  (mmc5.mmc5InFrame ? 0x40 : 0));
            mmc5.mmc5IrqPending = 0;
            if (!Mmc5PcmIrqAsserting()) ReleaseIrq(kIrqBoard);
            return status;
        }
        case 0x5205: return static_cast<uint8_t>(mmc5.mmc5Product);
        case 0x5206: return static_cast<uint8_t>(mmc5.mmc5Product >> 8);
        case 0x5010:
        case 0x5015: return Mmc5SoundRead(address);
        default: return 0;
    }
}

void Mmc5RegisterWrite(uint32_t address, uint8_t v) {
    if (address >= 0x5C00 && address <= 0x5FFF) {
        WriteExRam(address, v);
        return;
    }
    switch (address) {
        case 0x5203: mmc5.mmc5IrqTarget = v; return;
        case 0x5204:
            // The line is the pending flag gated by the enable: a pending
            // interrupt comes the moment it is enabled, and goes when disabled.
            mmc5.mmc5IrqEnable = v & 0x80;
            if (Mmc5IrqAsserting() || Mmc5PcmIrqAsserting())
                AssertIrq(kIrqBoard);
            else
                ReleaseIrq(kIrqBoard);
            return;
        case 0x5205:
        case 0x5206:
            (address == 0x5205 ? mmc5.mmc5MulA : mmc5.mmc5MulB) = v;
            mmc5.mmc5Product = static_cast<uint16_t>(mmc5.mmc5MulA * mmc5.mmc5MulB);
            return;
        default: break;
    }
    if (address <= 0x5015)
        Mmc5SoundWrite(address, v);
    else if (address >= 0x5100 && address <= 0x5130)
        WriteControlRegister(address, v);
}

void SetupMmc5(const BoardHeader& header) {
    std::memset(&mmc5, 0, sizeof mmc5);
    std::memset(&mmc5Sound, 0, sizeof mmc5Sound);
    mmc5.mmc5PrgMode = 3;
    // The header's arrangement, which InitBoard applies after the set-up.
    for (uint32_t quarter = 0; quarter < 4; ++quarter)
        mmc5.mmc5Nametables[quarter] =
            static_cast<uint8_t>(MirroringPage(header.mirroring, quarter));
    mmc5.mmc5NametablesKept = 1;
    SetCpuPages(5, 5, Mmc5RegisterRead, Mmc5RegisterWrite);
    SetPrgPages(6, 7, true);
    SetPrgPages(8, 15, false);
    // Until the game chooses its banks, RAM bank 0 is behind every RAM page
    // and the first 24 KB of ROM behind $8000-$DFFF.
    MapRamBanks(0x6000, 0, k8K);
    MapRamBanks(0x8000, 0, k32K);
    MapPrgBanks(0x8000, 0, 3 * k8K);
    MapChrBanks(0, 0, k8K);
    banks.prgBankCount = header.prgUnits / 2;
    banks.chrBankCount = 8 * header.chrUnits;
    mmc5.mmc5ChrSize = header.chrUnits * k8K;
    Mmc5RegisterWrite(0x5117, 0xFF);
}

// The values a saved capture of the registers may hold.

BatteryPart Mmc5BatteryMemory(const BoardHeader& header) {
    const size_t size = header.batteryRamBytes < sizeof mmc5.mmc5PrgRam ? header.batteryRamBytes
                                                                        : sizeof mmc5.mmc5PrgRam;
    return {mmc5.mmc5PrgRam, size};
}

bool Mmc5Fits(const Mmc5State& m, std::string& why) {
    bool ramPages = true;
    for (int page = 0; page < 16; ++page)
        ramPages = ramPages && m.mmc5PageIsRam[page] <= 1 &&
                   m.mmc5PrgPageBank[page] < sizeof m.mmc5PrgRam / 4096;
    bool chrRegs = true;
    for (uint32_t value : m.mmc5ChrRegs) chrRegs = chrRegs && value <= 0x3FF;
    bool nametables = true;
    for (uint8_t source : m.mmc5Nametables) nametables = nametables && source <= kMmc5ExRamQuarter;
    return AllHold(
        {
            {m.mmc5PrgMode <= 3 && m.mmc5ChrMode <= 3, "MMC5 PRG and CHR modes"},
            {m.mmc5ChrHigh <= 0x3FF && m.mmc5ChrUpper <= 3, "MMC5 upper CHR bits"},
            {m.mmc5ExRamMode <= 3, "MMC5 ExRAM mode"},
            {m.mmc5IrqTarget <= 0xFF, "MMC5 interrupt line"},
            {Flag(m.mmc5IrqEnable, 0x80) && m.mmc5IrqPending <= 1, "MMC5 interrupt flags"},
            {m.mmc5InFrame <= 1 && m.mmc5LineCounter <= 262, "MMC5 line counter"},
            {m.mmc5FillAttr <= 3, "MMC5 fill attribute"},
            {chrRegs, "MMC5 CHR registers"},
            {m.mmc5RamProtect <= 3, "MMC5 RAM protection"},
            {m.mmc5ChrSize == mmc5.mmc5ChrSize, "MMC5 CHR size (of another cartridge)"},
            {m.mmc5ExAttrByte <= 0xFF && m.mmc5ExChrOffset <= 0xFF000, "MMC5 attribute fetch"},
            {m.mmc5MulA <= 0xFF && m.mmc5MulB <= 0xFF &&
                 m.mmc5Product == static_cast<uint16_t>(m.mmc5MulA * m.mmc5MulB),
             "MMC5 multiplier"},
            {ramPages, "MMC5 RAM bank (beyond its 64 KB)"},
            {nametables && m.mmc5NametablesKept <= 1, "MMC5 nametable arrangement"},
        },
        why);
}

}  // namespace morvel
