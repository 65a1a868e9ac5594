// The supported boards, in the order the ROM browser and the loader search
// them. Adding a board means adding a row here and a source file for it.
#include "cart/board_table.h"

#include "cart/discrete_boards.h"
#include "cart/mmc1.h"
#include "cart/mmc2.h"
#include "cart/mmc3.h"
#include "cart/mmc5.h"
#include "cart/vrc2_vrc4.h"
#include "cart/vrc3.h"
#include "cart/vrc7.h"
#include "core/save_state.h"

namespace morvel {

namespace {

// One capture of each board family's registers per save-state slot; the
// three MMC3 boards share theirs.
Mmc1State mmc1Saved[kStateSlots];
Mmc3State mmc3Saved[kStateSlots];
Mmc5State mmc5Saved[kStateSlots];
Mmc2State mmc2Saved[kStateSlots];
CpromState cpromSaved[kStateSlots];
ChrLockState chrLockSaved[kStateSlots];
Action52State action52Saved[kStateSlots];
Vrc24State vrc24Saved[kStateSlots];
Vrc3State vrc3Saved[kStateSlots];
Vrc7State vrc7Saved[kStateSlots];

template <typename Record>
constexpr BoardExtras Extras(Record& live, Record (&saved)[kStateSlots],
                             bool (*fits)(const uint8_t*, std::string&)) {
    return {&live, sizeof(Record), saved, fits};
}

constexpr BoardExtras kMmc1Extras = Extras(mmc1, mmc1Saved, Mmc1ExtrasFit);
constexpr BoardExtras kMmc3Extras = Extras(mmc3, mmc3Saved, Mmc3ExtrasFit);
constexpr BoardExtras kMmc5Extras = Extras(mmc5, mmc5Saved, Mmc5ExtrasFit);
constexpr BoardExtras kMmc2Extras = Extras(mmc2, mmc2Saved, Mmc2ExtrasFit);
// Any byte is a value CHR RAM can hold: CPROM's record needs no check.
constexpr BoardExtras kCpromExtras = Extras(cprom, cpromSaved, nullptr);
constexpr BoardExtras kChrLockExtras = Extras(chrLock, chrLockSaved, ChrLockExtrasFit);
constexpr BoardExtras kAction52Extras = Extras(action52, action52Saved, Action52ExtrasFit);
constexpr BoardExtras kVrc24Extras = Extras(vrc24, vrc24Saved, Vrc24ExtrasFit);
constexpr BoardExtras kVrc3Extras = Extras(vrc3, vrc3Saved, Vrc3ExtrasFit);
constexpr BoardExtras kVrc7Extras = Extras(vrc7, vrc7Saved, Vrc7ExtrasFit);

// The MMC3's counter, on mappers 4, 118 and 189 alike, sees the addresses the
// CPU puts on the PPU bus through $2006/$2007 as well as the rendering fetches.
// It clocks on a rise of A12 alone, so a run of fetches from one pattern
// table shows it what the last of them does.
constexpr PpuBoardHooks kMmc3PpuHooks = {
    Mmc3WatchA12, nullptr, nullptr, Mmc3RisesToIrq, Mmc3WatchA12, Mmc3ChrRomRead, Mmc3ChrRamRead};
constexpr PpuBoardHooks kMmc5PpuHooks = {nullptr, StepRenderMmc5, Mmc5ClearInFrame, nullptr,
                                         nullptr, nullptr,        nullptr};

constexpr PatternMemory kRam = PatternMemory::kAlwaysRam;
constexpr PatternMemory kData = PatternMemory::kAlwaysData;

// Mapper 4's NES 2.0 submappers 1 (the MMC6) and 4 (the MMC3A) name chips
// that count by the earlier rule.
constexpr uint16_t kEarlyMmc3 = (1u << 1) | (1u << 4);

// Mapper 71's NES 2.0 submapper 1 is Fire Hawk's mirroring register; mapper
// 185's submappers 4-7 name the latch value that enables the CHR ROM.
constexpr uint16_t kFireHawk = (1u << 0) | (1u << 1);
constexpr uint16_t kChrLockValues = (1u << 0) | (0xFu << 4);
// The VRC2 and VRC4 boards: submapper 0 decodes both wirings of a mapper
// number; 1 and 2 name one VRC4 board each; 3 a VRC2 board.
constexpr uint16_t kVrc4Boards = 0b111;
constexpr uint16_t kVrcBoards = 0b1111;
// The VRC7: submapper 1 is the VRC7b wiring, 2 the VRC7a; 0 decodes both.
constexpr uint16_t kVrc7Boards = 0b111;

// clang-format off
const SupportedBoard kBoards[] = {
    {.mapper = 0, .name = "MAPPER 0", .setup = SetupNrom, .maxPrgUnits = 2},
    {.mapper = 1, .name = "MMC 1", .setup = SetupMmc1, .afterMirroring = Mmc1AfterMirroring,
     .afterStateLoad = Mmc1AfterStateLoad, .extras = kMmc1Extras},
    {.mapper = 2, .name = "UNROM", .setup = SetupUnrom, .patterns = kRam},
    {.mapper = 3, .name = "CNROM", .setup = SetupCnrom, .patterns = kData, .maxPrgUnits = 2},
    {.mapper = 4, .name = "MMC 3", .setup = SetupMmc3, .afterStateLoad = Mmc3AfterStateLoad,
     .extras = kMmc3Extras, .ppu = kMmc3PpuHooks, .earlyCounterSubmappers = kEarlyMmc3,
     .submappers = 1 | kEarlyMmc3},
    {.mapper = 5, .name = "MMC5", .setup = SetupMmc5, .afterStateLoad = Mmc5AfterStateLoad,
     .extras = kMmc5Extras, .ppu = kMmc5PpuHooks, .batteryWorkRam = false,
     .batteryMemory = Mmc5BatteryMemory, .maxPrgRamBytes = sizeof mmc5.mmc5PrgRam},
    {.mapper = 7, .name = "AOROM", .setup = SetupAorom, .patterns = kRam,
     .afterStateLoad = RestoreChosenMirroring},
    {.mapper = 9, .name = "MMC 2", .setup = SetupMmc2, .afterStateLoad = RestoreChosenMirroring,
     .extras = kMmc2Extras},
    {.mapper = 11, .name = "Color Dreams", .setup = SetupColorDreams},
    {.mapper = 13, .name = "CPROM", .setup = SetupCprom, .patterns = kData, .maxPrgUnits = 2,
     .extras = kCpromExtras, .maxChrRamBytes = sizeof cprom.chrRam},
    {.mapper = 21, .name = "VRC4", .setup = SetupVrc4Mapper21, .patterns = kData,
     .afterStateLoad = Vrc24AfterStateLoad, .extras = kVrc24Extras, .submappers = kVrc4Boards,
     .cpuClock = Vrc24RunTo},
    {.mapper = 22, .name = "VRC2", .setup = SetupVrc2Mapper22, .patterns = kData,
     .afterStateLoad = Vrc24AfterStateLoad, .extras = kVrc24Extras},
    {.mapper = 23, .name = "VRC2/VRC4", .setup = SetupVrc24Mapper23, .patterns = kData,
     .afterStateLoad = Vrc24AfterStateLoad, .extras = kVrc24Extras, .submappers = kVrcBoards,
     .cpuClock = Vrc24RunTo},
    {.mapper = 25, .name = "VRC2/VRC4", .setup = SetupVrc24Mapper25, .patterns = kData,
     .afterStateLoad = Vrc24AfterStateLoad, .extras = kVrc24Extras, .submappers = kVrcBoards,
     .cpuClock = Vrc24RunTo},
    {.mapper = 34, .name = "BxROM", .setup = SetupBxrom},
    {.mapper = 58, .name = "58", .setup = SetupMapper58},
    {.mapper = 66, .name = "GxROM", .setup = SetupGxrom},
    {.mapper = 70, .name = "Bandai 74161", .setup = SetupBandai70},
    {.mapper = 71, .name = "Camerica", .setup = SetupCamerica, .patterns = kRam,
     .afterStateLoad = RestoreChosenMirroring, .submappers = kFireHawk},
    {.mapper = 73, .name = "VRC3", .setup = SetupVrc3, .extras = kVrc3Extras,
     .cpuClock = Vrc3RunTo},
    {.mapper = 79, .name = "NINA-03/06", .setup = SetupNina03},
    {.mapper = 85, .name = "VRC7", .setup = SetupVrc7, .patterns = kData,
     .afterStateLoad = RestoreChosenMirroring, .extras = kVrc7Extras, .submappers = kVrc7Boards,
     .cpuClock = Vrc7RunTo},
    {.mapper = 87, .name = "Jaleco J87", .setup = SetupJaleco87, .maxPrgUnits = 2},
    {.mapper = 118, .name = "118", .setup = SetupMapper118, .afterStateLoad = Mmc3AfterStateLoad,
     .extras = kMmc3Extras, .ppu = kMmc3PpuHooks},
    {.mapper = 140, .name = "Jaleco JF-11/14", .setup = SetupJaleco140},
    {.mapper = 152, .name = "Bandai 74161 1-scr", .setup = SetupBandai152,
     .afterStateLoad = RestoreChosenMirroring},
    {.mapper = 184, .name = "Sunsoft-1", .setup = SetupSunsoft1, .maxPrgUnits = 2},
    {.mapper = 185, .name = "CNROM CHR lock", .setup = SetupChrLock, .maxPrgUnits = 2,
     .afterStateLoad = ChrLockAfterStateLoad, .extras = kChrLockExtras,
     .submappers = kChrLockValues},
    {.mapper = 189, .name = "189", .setup = SetupMapper189, .afterStateLoad = Mmc3AfterStateLoad,
     .extras = kMmc3Extras, .ppu = kMmc3PpuHooks},
    {.mapper = 226, .name = "226", .setup = SetupMapper226},
    {.mapper = 228, .name = "Action 52", .setup = SetupAction52,
     .afterStateLoad = Action52AfterStateLoad, .extras = kAction52Extras},
};
// clang-format on

}  // namespace

// In the order the ROM browser and the loader search them, by mapper number.
const std::span<const SupportedBoard> supportedBoards = kBoards;

const SupportedBoard* FindSupportedBoard(int32_t mapper) {
    for (const SupportedBoard& board : supportedBoards)
        if (board.mapper == mapper) return &board;
    return nullptr;
}

}  // namespace morvel
