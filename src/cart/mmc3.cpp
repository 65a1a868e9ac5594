// The MMC3 family. The MMC3 switches PRG in 8 KB and CHR in 1 KB and 2 KB
// banks through a bank-select / bank-data pair, and counts scanlines by the
// rising edges of PPU address line A12, which with the usual pattern layout
// (background at $0000, sprites at $1000) rises once per rendered line.
#include "cart/mmc3.h"

#include <cstring>

#include "cart/a12_watch.h"
#include "cart/board.h"
#include "cart/board_table.h"
#include "cart/cartridge.h"
#include "core/cpu.h"
#include "core/memory_map.h"
#include "core/state_rules.h"

namespace morvel {

Mmc3State mmc3;

namespace {

constexpr uint32_t k1K = 0x400;
constexpr uint32_t k2K = 0x800;
constexpr uint32_t k8K = 0x2000;

// Whether the loaded cartridge's chip counts by the earlier rule (the MMC3A
// and the MMC6). A fact of the cartridge, read from its header at set-up, not
// a register: save states do not keep it.
bool earlyCounterRule = false;

// Where CHR registers R0-R5 map, normal layout and inverted layout (bank
// select bit 7), and their size.
struct ChrSlot {
    uint16_t normal;
    uint16_t inverted;
    uint32_t size;
};
// clang-format off
const ChrSlot kChrSlots[6] = {
    {0x0000, 0x1000, k2K},  // R0
    {0x0800, 0x1800, k2K},  // R1
    {0x1000, 0x0000, k1K},  // R2
    {0x1400, 0x0400, k1K},  // R3
    {0x1800, 0x0800, k1K},  // R4
    {0x1C00, 0x0C00, k1K},  // R5
};
// clang-format on

// The nametable arrangement is kept in the register block as the pages the
// four quarters show, so that a save state brings it back.
void KeepMirroring(uint32_t mode) {
    for (uint32_t quarter = 0; quarter < 4; ++quarter)
        mmc3.mmc3Nametables[quarter] = static_cast<uint8_t>(MirroringPage(mode, quarter));
    mmc3.mmc3NametablesKept = 1;
}

// $A000 of mappers 4 and 189: bit 0 clear vertical, set horizontal.
void WriteMirroring(uint8_t value) {
    const uint32_t mode = ~value & 1;
    SetMirroring(mode);
    KeepMirroring(mode);
}

// Maps CHR register r with a bank number already reduced for its size.
void MapChrRegister(uint32_t r, uint32_t bank) {
    const ChrSlot& slot = kChrSlots[r];
    MapChrBanks(mmc3.mmc3ChrNormal ? slot.normal : slot.inverted, bank, slot.size);
}

// The count masks of the MMC3; the 2 KB registers drop bit 0 of the value.
uint32_t ChrBankFor(uint32_t r, uint32_t v) {
    return r < 2 ? (v >> 1) & (banks.chrBankCount / 2 - 1) : v & (banks.chrBankCount - 1);
}

// Bit 6 swaps the R6 window with the fixed second-last bank; bit 7 inverts
// the CHR layout. Neither re-maps the switched banks themselves.
void WriteBankSelect(uint8_t v) {
    mmc3.mmc3BankSelect = v;
    if (v & 0x40) {
        mmc3.mmc3SwapAddr = 0xC000;
        MapPrgBanks(0x8000, banks.prgBankCount - 2, k8K);
    } else {
        mmc3.mmc3SwapAddr = 0x8000;
        MapPrgBanks(0xC000, banks.prgBankCount - 2, k8K);
    }
    mmc3.mmc3ChrNormal = (v & 0x80) ? 0 : 1;
}

void WritePrgRegister(uint32_t r, uint8_t v) {
    uint32_t bank = v & (banks.prgBankCount - 1);
    MapPrgBanks(r == 6 ? mmc3.mmc3SwapAddr : 0xA000, bank, k8K);
}

// $A001: bit 7 enables the work RAM, bit 6 makes it read-only.
void WriteRamControl(uint8_t v) {
    mmc3.mmc3RamProtect = v & 0x40;
    mmc3.mmc3RamEnable = v & 0x80;
    workRamBlock.prgRamEnabled = v & 0x80;
    workRamBlock.prgRamWritable = (v & 0x40) ? 0 : 1;
}

// The registers shared by mappers 4 and 118 from $A001 on.
void WriteCommonRegister(uint32_t reg, uint8_t v) {
    switch (reg) {
        case 0xA001: WriteRamControl(v); break;
        case 0xC000: mmc3.mmc3IrqLatch = v; break;
        case 0xC001:
            mmc3.mmc3IrqCounter = 0;
            mmc3.mmc3IrqReload = 1;
            break;
        case 0xE000:
            mmc3.mmc3IrqEnabled = 0;
            ReleaseIrq(kIrqBoard);
            break;
        case 0xE001: mmc3.mmc3IrqEnabled = 1; break;
        default: break;
    }
}

// Mapper 118: the nametable of each quarter is bit 7 of a stored CHR value.
// In the inverted layout the four 1 KB registers R2-R5 pick one quarter each;
// in the normal layout R0 picks the upper two quarters and R1 the lower two.
void Choose118Nametables(uint8_t bankSelect) {
    static const uint8_t kInverted[4] = {2, 3, 4, 5};
    static const uint8_t kNormal[4] = {0, 0, 1, 1};
    const uint8_t* regs = (bankSelect & 0x80) ? kInverted : kNormal;
    for (uint32_t quarter = 0; quarter < 4; ++quarter) {
        const uint8_t page = (mmc3.mmc3BankRegs[regs[quarter]] & 0x80) ? 1 : 0;
        SetNametableQuarter(quarter, page);
        mmc3.mmc3Nametables[quarter] = page;
    }
    mmc3.mmc3NametablesKept = 1;
}

// The registers as the chip powers on: cleared, which is bank select 0 (R6 at
// $8000, the normal CHR layout), and nothing of a previous cartridge's MMC3.
// The rendering fetches reach the A12 watcher through the pattern pages.
void PowerOnMmc3(const BoardHeader& header) {
    std::memset(&mmc3, 0, sizeof mmc3);
    mmc3.mmc3SwapAddr = 0x8000;
    mmc3.mmc3ChrNormal = 1;
    mmc3.mmc3ReloadCleared = 1;
    const SupportedBoard* board = FindSupportedBoard(static_cast<int32_t>(mapperNumber));
    earlyCounterRule =
        board && header.submapper < 16 && (board->earlyCounterSubmappers >> header.submapper) & 1;
    SetWatchedPatternPages<Mmc3WatchA12>(header);
}

void SetupMmc3Common(const BoardHeader& header, CpuWriteHandler write) {
    PowerOnMmc3(header);
    SetCpuPages(8, 15, PrgPageRead, write);
    KeepMirroring(header.mirroring);  // InitBoard applies it after the set-up
    CountBanks8kPrg1kChr(header);
    MapChrBanks(0, 0, k8K);
    MapPrg8kBanks(0, 2, banks.prgBankCount - 2, banks.prgBankCount - 1);
}

// Mapper 189 answers the APU and controller registers at $4000-$4017; every
// other read of $4000-$7FFF returns 0.
uint8_t Mapper189LowRead(uint32_t address) {
    return address <= 0x4017 ? ReadIoRegister(address) : 0;
}

// One clock of the scanline counter. Every revision reloads it from the
// latch when it is 0 or a $C001 write asked for a reload, and otherwise
// counts it down. The later MMC3 then raises the interrupt whenever the
// counter is 0, so a latch of 0 interrupts on every clock. The MMC3A and the
// MMC6 raise it only when a count-down reached 0 or a reload asked for by
// $C001 loaded 0: a latch of 0 reloaded by itself stays quiet.
void ClockMmc3Counter() {
    const uint8_t before = mmc3.mmc3IrqCounter;
    const bool asked = mmc3.mmc3IrqReload != 0;
    if (before == 0 || asked) {
        mmc3.mmc3IrqCounter = mmc3.mmc3IrqLatch;
        mmc3.mmc3IrqReload = 0;
    } else {
        --mmc3.mmc3IrqCounter;
    }
    const bool reached = !earlyCounterRule || before != 0 || asked;
    if (mmc3.mmc3IrqCounter == 0 && reached && mmc3.mmc3IrqEnabled == 1) AssertIrq(kIrqBoard);
}

}  // namespace

void Mmc3WatchA12(uint32_t address) {
    if ((address & 0x1000) && !(mmc3.mmc3LastPpuAddr & 0x1000)) ClockMmc3Counter();
    mmc3.mmc3LastPpuAddr = static_cast<uint16_t>(address);
}

// A clock that reloads loads the latch; the interrupt comes on the clock
// that leaves the counter at 0 (by either rule, at the earliest).
uint32_t Mmc3RisesToIrq() {
    return Mmc3StyleRisesToIrq(mmc3.mmc3IrqEnabled == 1, mmc3.mmc3IrqCounter, mmc3.mmc3IrqLatch,
                               mmc3.mmc3IrqReload != 0);
}

void Mmc3Write(uint32_t address, uint8_t value) {
    uint32_t reg = address & 0xE001;
    switch (reg) {
        case 0x8000: WriteBankSelect(value); break;
        case 0x8001: {
            uint32_t r = mmc3.mmc3BankSelect & 7;
            if (r < 6)
                MapChrRegister(r, ChrBankFor(r, value));
            else
                WritePrgRegister(r, value);
            break;
        }
        case 0xA000: WriteMirroring(value); break;
        default: WriteCommonRegister(reg, value); break;
    }
}

// CHR values are 6 bits (2 KB) and 7 bits (1 KB) wide; bit 7 is the
// nametable line instead.
void Mapper118Write(uint32_t address, uint8_t value) {
    uint32_t reg = address & 0xE001;
    switch (reg) {
        case 0x8000:
            WriteBankSelect(value);
            if (address == 0x8000) Choose118Nametables(value);
            break;
        case 0x8001: {
            uint32_t r = mmc3.mmc3BankSelect & 7;
            if (r < 2) {
                mmc3.mmc3BankRegs[r] = value;
                MapChrRegister(r, ((value >> 1) & 63) & (banks.chrBankCount / 2 - 1));
            } else if (r < 6) {
                mmc3.mmc3BankRegs[r] = value;
                MapChrRegister(r, (value & 127) & (banks.chrBankCount - 1));
            } else {
                WritePrgRegister(r, value);
            }
            break;
        }
        case 0xA000: break;  // no mirroring register on this board
        default: WriteCommonRegister(reg, value); break;
    }
}

// Mapper 189: $4120 and $6100-$6109 choose the 32 KB PRG bank; the MMC3's
// registers above $8000 drive CHR, mirroring and the scanline counter (R6,
// R7 and the work RAM control have no effect).
void Mapper189Write(uint32_t address, uint8_t value) {
    if (address == 0x4120) {
        MapPrgBanks(0x8000, (value >> 4) | (value & 0x0F), 0x8000);
        return;
    }
    if (address >= 0x4000 && address <= 0x4017) WriteIoRegister(address, value);
    if (address >= 0x6100 && address <= 0x6109) MapPrgBanks(0x8000, value, 0x8000);
    if (address < 0x8000) return;
    bool odd = address & 1;
    switch ((address >> 13) & 3) {
        case 0:  // $8000-$9FFF
            if (!odd) {
                mmc3.mmc3BankSelect = value;
                mmc3.mmc3ChrNormal = (value & 0x80) ? 0 : 1;
            } else if ((mmc3.mmc3BankSelect & 7) < 6) {
                uint32_t r = mmc3.mmc3BankSelect & 7;
                MapChrRegister(r, r < 2 ? value >> 1 : value);
            }
            break;
        case 1:  // $A000-$BFFF
            if (!odd) WriteMirroring(value);
            break;
        default: WriteCommonRegister(address & 0xE001, value); break;  // $C000-$FFFF
    }
}

// The arrangement kept in the block; a block from an older file keeps none,
// and the arrangement of the moment stays. Such a block may also hold a
// reload request long since served (no clock cleared it then): it is dropped.
void Mmc3AfterStateLoad() {
    if (!mmc3.mmc3ReloadCleared) {
        mmc3.mmc3IrqReload = 0;
        mmc3.mmc3ReloadCleared = 1;
    }
    if (!mmc3.mmc3NametablesKept) return;
    for (uint32_t quarter = 0; quarter < 4; ++quarter)
        SetNametableQuarter(quarter, mmc3.mmc3Nametables[quarter]);
}

void SetupMmc3(const BoardHeader& header) {
    SetupMmc3Common(header, Mmc3Write);
}

void SetupMapper118(const BoardHeader& header) {
    SetupMmc3Common(header, Mapper118Write);
}

void SetupMapper189(const BoardHeader& header) {
    PowerOnMmc3(header);
    KeepMirroring(header.mirroring);
    SetCpuPages(4, 7, Mapper189LowRead, Mapper189Write);
    SetCpuPages(8, 15, PrgPageRead, Mapper189Write);
    CountBanks8kPrg1kChr(header);
    MapChrBanks(0, 0, k8K);
    MapPrgBanks(0x8000, 0, 0x8000);
}

// The values a saved capture of the registers may hold.

bool Mmc3Fits(const Mmc3State& m, std::string& why) {
    bool regs = true;
    for (uint32_t value : m.mmc3BankRegs) regs = regs && value <= 0xFF;
    bool nametables = true;
    for (uint8_t page : m.mmc3Nametables) nametables = nametables && page <= 3;
    return AllHold(
        {
            {Flag(m.mmc3RamEnable, 0x80), "MMC3 work RAM enable"},
            {Flag(m.mmc3RamProtect, 0x40), "MMC3 work RAM protection"},
            // 0 until the game's first bank select.
            {m.mmc3SwapAddr == 0 || m.mmc3SwapAddr == 0x8000 || m.mmc3SwapAddr == 0xC000,
             "MMC3 R6 window"},
            {m.mmc3ChrNormal <= 1, "MMC3 CHR layout"},
            {m.mmc3IrqEnabled <= 1, "MMC3 interrupt enable"},
            {m.mmc3IrqReload <= 1, "MMC3 counter reload"},
            {m.mmc3LastPpuAddr <= 0x7FFF, "MMC3 last PPU address"},
            {regs, "MMC3 bank registers"},
            {nametables && m.mmc3NametablesKept <= 1, "MMC3 nametable arrangement"},
            {m.mmc3ReloadCleared <= 1, "MMC3 reload request"},
        },
        why);
}

}  // namespace morvel
