// The supported boards, in the order the ROM browser and the loader search
// them. Adding a board means adding a row here and a source file for it.
#include "cart/board_table.h"

#include "cart/a12_watch.h"
#include "cart/bandai_fcg.h"
#include "cart/discrete_boards.h"
#include "cart/fme7.h"
#include "cart/irem_g101.h"
#include "cart/irem_h3001.h"
#include "cart/jaleco_ss88006.h"
#include "cart/mmc1.h"
#include "cart/mmc2.h"
#include "cart/mmc3.h"
#include "cart/mmc5.h"
#include "cart/mmc5_sound.h"
#include "cart/namco108.h"
#include "cart/namco163.h"
#include "cart/namco175.h"
#include "cart/rambo1.h"
#include "cart/sunsoft4.h"
#include "cart/taito_tc0690.h"
#include "cart/taito_x1005.h"
#include "cart/vrc1.h"
#include "cart/vrc2_vrc4.h"
#include "cart/vrc3.h"
#include "cart/vrc6.h"
#include "cart/vrc7.h"
#include "core/save_state.h"
#include "core/state_rules.h"

namespace morvel {

namespace {

// One capture of each board family's registers per save-state slot; the
// three MMC3 boards share theirs.
Mmc1State mmc1Saved[kStateSlots];
Mmc3State mmc3Saved[kStateSlots];
Mmc5State mmc5Saved[kStateSlots];
Mmc5SoundState mmc5SoundSaved[kStateSlots];
Mmc2State mmc2Saved[kStateSlots];
CpromState cpromSaved[kStateSlots];
ChrLockState chrLockSaved[kStateSlots];
Action52State action52Saved[kStateSlots];
Vrc24State vrc24Saved[kStateSlots];
Vrc3State vrc3Saved[kStateSlots];
Fme7State fme7Saved[kStateSlots];
Vrc6State vrc6Saved[kStateSlots];
Namco163State namco163Saved[kStateSlots];
BandaiFcgState bandaiFcgSaved[kStateSlots];
Ss88006State ss88006Saved[kStateSlots];
Tc0690State tc0690Saved[kStateSlots];
Rambo1State rambo1Saved[kStateSlots];
H3001State h3001Saved[kStateSlots];
Vrc1State vrc1Saved[kStateSlots];
Namco108State namco108Saved[kStateSlots];
TaitoX1005State taitoX1005Saved[kStateSlots];
IremG101State iremG101Saved[kStateSlots];
Sunsoft4State sunsoft4Saved[kStateSlots];
Namco175State namco175Saved[kStateSlots];
Vrc7State vrc7Saved[kStateSlots];

// A record whose every byte is a value the board can hold needs no check.
template <typename Record>
constexpr BoardExtras Extras(Record& live, Record (&saved)[kStateSlots],
                             bool (*fits)(const uint8_t*, std::string&)) {
    return {&live, sizeof(Record), saved, fits};
}

// A record checked field by field: the check reads an aligned copy of the
// capture's bytes.
template <auto kFits, typename Record>
constexpr BoardExtras Extras(Record& live, Record (&saved)[kStateSlots]) {
    return {&live, sizeof(Record), saved, SavedRecordFits<Record, kFits>};
}

constexpr BoardExtras kMmc1Extras = Extras<Mmc1Fits>(mmc1, mmc1Saved);
constexpr BoardExtras kMmc3Extras = Extras<Mmc3Fits>(mmc3, mmc3Saved);
constexpr BoardExtras kMmc5Extras = Extras<Mmc5Fits>(mmc5, mmc5Saved);
// Added with the MMC5's sound; files written before keep only the registers.
constexpr BoardExtras kMmc5SoundExtras = Extras<Mmc5SoundFits>(mmc5Sound, mmc5SoundSaved);
constexpr BoardExtras kMmc2Extras = Extras<Mmc2Fits>(mmc2, mmc2Saved);
// Any byte is a value CHR RAM can hold: CPROM's record needs no check.
constexpr BoardExtras kCpromExtras = Extras(cprom, cpromSaved, nullptr);
constexpr BoardExtras kChrLockExtras = Extras<ChrLockFits>(chrLock, chrLockSaved);
constexpr BoardExtras kAction52Extras = Extras<Action52Fits>(action52, action52Saved);
constexpr BoardExtras kVrc24Extras = Extras<Vrc24Fits>(vrc24, vrc24Saved);
constexpr BoardExtras kVrc3Extras = Extras<Vrc3Fits>(vrc3, vrc3Saved);
constexpr BoardExtras kFme7Extras = Extras<Fme7Fits>(fme7, fme7Saved);
constexpr BoardExtras kVrc6Extras = Extras<Vrc6Fits>(vrc6, vrc6Saved);
constexpr BoardExtras kNamco163Extras = Extras<Namco163Fits>(namco163, namco163Saved);
constexpr BoardExtras kBandaiFcgExtras = Extras<BandaiFcgFits>(bandaiFcg, bandaiFcgSaved);
constexpr BoardExtras kSs88006Extras = Extras<Ss88006Fits>(ss88006, ss88006Saved);
constexpr BoardExtras kTc0690Extras = Extras<Tc0690Fits>(tc0690, tc0690Saved);
constexpr BoardExtras kRambo1Extras = Extras<Rambo1Fits>(rambo1, rambo1Saved);
constexpr BoardExtras kH3001Extras = Extras<H3001Fits>(h3001, h3001Saved);
constexpr BoardExtras kVrc1Extras = Extras<Vrc1Fits>(vrc1, vrc1Saved);
constexpr BoardExtras kNamco108Extras = Extras<Namco108Fits>(namco108, namco108Saved);
// Any bytes are values the X1-005's RAM and key can hold: no check.
constexpr BoardExtras kTaitoX1005Extras = Extras(taitoX1005, taitoX1005Saved, nullptr);
constexpr BoardExtras kIremG101Extras = Extras<IremG101Fits>(iremG101, iremG101Saved);
constexpr BoardExtras kSunsoft4Extras = Extras<Sunsoft4Fits>(sunsoft4, sunsoft4Saved);
constexpr BoardExtras kNamco175Extras = Extras<Namco175Fits>(namco175, namco175Saved);
constexpr BoardExtras kVrc7Extras = Extras<Vrc7Fits>(vrc7, vrc7Saved);

// The MMC3's counter, on mappers 4, 118 and 189 alike, and the RAMBO-1's and
// the TC0690's count A12 rises.
constexpr PpuBoardHooks kMmc3PpuHooks = kA12WatchHooks<Mmc3WatchA12, Mmc3RisesToIrq>;
constexpr PpuBoardHooks kRambo1PpuHooks = kA12WatchHooks<Rambo1WatchA12, Rambo1RisesToIrq>;
constexpr PpuBoardHooks kTc0690PpuHooks = kA12WatchHooks<Tc0690WatchA12, Tc0690RisesToIrq>;
constexpr PpuBoardHooks kMmc5PpuHooks = {nullptr, StepRenderMmc5, Mmc5ClearInFrame, nullptr,
                                         nullptr, nullptr,        nullptr};

// Mapper 16's submappers 4 (the FCG-1/2) and 5 (the LZ93D50); 0 has both.
constexpr uint16_t kBandaiSubmappers = 1 | (1u << 4) | (1u << 5);

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
     .extras = kMmc5Extras, .ppu = kMmc5PpuHooks, .cpuClock = Mmc5SoundRunTo,
     .batteryWorkRam = false, .batteryMemory = Mmc5BatteryMemory,
     .maxPrgRamBytes = sizeof mmc5.mmc5PrgRam, .addedExtras = kMmc5SoundExtras},
    {.mapper = 7, .name = "AOROM", .setup = SetupAorom, .patterns = kRam,
     .afterStateLoad = RestoreChosenMirroring},
    {.mapper = 9, .name = "MMC 2", .setup = SetupMmc2, .afterStateLoad = RestoreChosenMirroring,
     .extras = kMmc2Extras},
    {.mapper = 10, .name = "MMC4", .setup = SetupMmc4, .afterStateLoad = RestoreChosenMirroring,
     .extras = kMmc2Extras},
    {.mapper = 11, .name = "Color Dreams", .setup = SetupColorDreams},
    {.mapper = 13, .name = "CPROM", .setup = SetupCprom, .patterns = kData, .maxPrgUnits = 2,
     .extras = kCpromExtras, .maxChrRamBytes = sizeof cprom.chrRam},
    {.mapper = 16, .name = "Bandai FCG", .setup = SetupBandaiFcg,
     .afterStateLoad = BandaiFcgAfterStateLoad, .extras = kBandaiFcgExtras,
     .submappers = kBandaiSubmappers, .cpuClock = BandaiFcgRunTo, .batteryWorkRam = false,
     .batteryMemory = BandaiFcgBatteryMemory, .maxPrgRamBytes = 256},
    {.mapper = 18, .name = "Jaleco SS88006", .setup = SetupSs88006,
     .afterStateLoad = Ss88006AfterStateLoad, .extras = kSs88006Extras, .cpuClock = Ss88006RunTo},
    {.mapper = 19, .name = "Namco 163", .setup = SetupNamco163,
     .afterMirroring = Namco163ApplyPpuPages, .afterStateLoad = Namco163ApplyPpuPages,
     .extras = kNamco163Extras, .submappers = 0x3F, .cpuClock = Namco163RunTo,
     .batteryMemory = Namco163BatteryMemory},
    {.mapper = 21, .name = "VRC4", .setup = SetupVrc4Mapper21, .patterns = kData,
     .afterStateLoad = Vrc24AfterStateLoad, .extras = kVrc24Extras, .submappers = kVrc4Boards,
     .cpuClock = Vrc24RunTo},
    {.mapper = 22, .name = "VRC2", .setup = SetupVrc2Mapper22, .patterns = kData,
     .afterStateLoad = Vrc24AfterStateLoad, .extras = kVrc24Extras},
    {.mapper = 23, .name = "VRC2/VRC4", .setup = SetupVrc24Mapper23, .patterns = kData,
     .afterStateLoad = Vrc24AfterStateLoad, .extras = kVrc24Extras, .submappers = kVrcBoards,
     .cpuClock = Vrc24RunTo},
    {.mapper = 24, .name = "VRC6", .setup = SetupVrc6a, .afterMirroring = Vrc6AfterStateLoad,
     .afterStateLoad = Vrc6AfterStateLoad, .extras = kVrc6Extras, .cpuClock = Vrc6RunTo},
    {.mapper = 25, .name = "VRC2/VRC4", .setup = SetupVrc24Mapper25, .patterns = kData,
     .afterStateLoad = Vrc24AfterStateLoad, .extras = kVrc24Extras, .submappers = kVrcBoards,
     .cpuClock = Vrc24RunTo},
    {.mapper = 26, .name = "VRC6", .setup = SetupVrc6b, .afterMirroring = Vrc6AfterStateLoad,
     .afterStateLoad = Vrc6AfterStateLoad, .extras = kVrc6Extras, .cpuClock = Vrc6RunTo},
    {.mapper = 32, .name = "Irem G-101", .setup = SetupIremG101,
     .afterMirroring = RestoreChosenMirroring, .afterStateLoad = RestoreChosenMirroring,
     .extras = kIremG101Extras, .submappers = 0b11},
    {.mapper = 33, .name = "Taito TC0190", .setup = SetupTaitoTc0190,
     .afterStateLoad = RestoreChosenMirroring},
    {.mapper = 34, .name = "BxROM", .setup = SetupBxrom},
    {.mapper = 48, .name = "Taito TC0690", .setup = SetupTc0690,
     .afterStateLoad = Tc0690AfterStateLoad, .extras = kTc0690Extras, .ppu = kTc0690PpuHooks,
     .cpuClock = Tc0690RunTo},
    {.mapper = 58, .name = "58", .setup = SetupMapper58},
    {.mapper = 64, .name = "RAMBO-1", .setup = SetupRambo1, .afterStateLoad = Rambo1AfterStateLoad,
     .extras = kRambo1Extras, .ppu = kRambo1PpuHooks, .cpuClock = Rambo1RunTo},
    {.mapper = 65, .name = "Irem H3001", .setup = SetupH3001,
     .afterStateLoad = H3001AfterStateLoad, .extras = kH3001Extras, .cpuClock = H3001RunTo},
    {.mapper = 66, .name = "GxROM", .setup = SetupGxrom},
    {.mapper = 68, .name = "Sunsoft-4", .setup = SetupSunsoft4,
     .afterStateLoad = Sunsoft4AfterStateLoad, .extras = kSunsoft4Extras},
    {.mapper = 69, .name = "FME-7", .setup = SetupFme7, .maxPrgUnits = 32,
     .afterStateLoad = Fme7AfterStateLoad, .extras = kFme7Extras, .cpuClock = Fme7RunTo},
    {.mapper = 70, .name = "Bandai 74161", .setup = SetupBandai70},
    {.mapper = 71, .name = "Camerica", .setup = SetupCamerica, .patterns = kRam,
     .afterStateLoad = RestoreChosenMirroring, .submappers = kFireHawk},
    {.mapper = 73, .name = "VRC3", .setup = SetupVrc3, .extras = kVrc3Extras,
     .cpuClock = Vrc3RunTo},
    {.mapper = 75, .name = "VRC1", .setup = SetupVrc1, .afterStateLoad = RestoreChosenMirroring,
     .extras = kVrc1Extras},
    {.mapper = 79, .name = "NINA-03/06", .setup = SetupNina03},
    {.mapper = 80, .name = "Taito X1-005", .setup = SetupTaitoX1005,
     .afterStateLoad = RestoreChosenMirroring, .extras = kTaitoX1005Extras,
     .batteryWorkRam = false, .batteryMemory = TaitoX1005BatteryMemory, .maxPrgRamBytes = 128},
    {.mapper = 85, .name = "VRC7", .setup = SetupVrc7, .patterns = kData,
     .afterStateLoad = RestoreChosenMirroring, .extras = kVrc7Extras, .submappers = kVrc7Boards,
     .cpuClock = Vrc7RunTo},
    {.mapper = 87, .name = "Jaleco J87", .setup = SetupJaleco87, .maxPrgUnits = 2},
    {.mapper = 118, .name = "118", .setup = SetupMapper118, .afterStateLoad = Mmc3AfterStateLoad,
     .extras = kMmc3Extras, .ppu = kMmc3PpuHooks},
    {.mapper = 140, .name = "Jaleco JF-11/14", .setup = SetupJaleco140},
    {.mapper = 152, .name = "Bandai 74161 1-scr", .setup = SetupBandai152,
     .afterStateLoad = RestoreChosenMirroring},
    {.mapper = 159, .name = "Bandai LZ93D50", .setup = SetupMapper159,
     .afterStateLoad = BandaiFcgAfterStateLoad, .extras = kBandaiFcgExtras,
     .cpuClock = BandaiFcgRunTo, .batteryWorkRam = false,
     .batteryMemory = BandaiFcgBatteryMemory, .maxPrgRamBytes = 128},
    {.mapper = 184, .name = "Sunsoft-1", .setup = SetupSunsoft1, .maxPrgUnits = 2},
    {.mapper = 185, .name = "CNROM CHR lock", .setup = SetupChrLock, .maxPrgUnits = 2,
     .afterStateLoad = ChrLockAfterStateLoad, .extras = kChrLockExtras,
     .submappers = kChrLockValues},
    {.mapper = 189, .name = "189", .setup = SetupMapper189, .afterStateLoad = Mmc3AfterStateLoad,
     .extras = kMmc3Extras, .ppu = kMmc3PpuHooks},
    {.mapper = 206, .name = "Namco 108", .setup = SetupNamco108, .extras = kNamco108Extras},
    {.mapper = 210, .name = "Namco 175/340", .setup = SetupNamco175,
     .afterStateLoad = RestoreChosenMirroring, .extras = kNamco175Extras, .submappers = 0b111,
     .maxPrgRamBytes = 2048},
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
