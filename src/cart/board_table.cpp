// The supported boards, in the order the ROM browser and the loader search
// them. Adding a board means adding a row here and a source file for it.
#include "cart/board_table.h"

#include "cart/mmc1.h"
#include "cart/mmc2.h"
#include "cart/mmc3.h"
#include "cart/mmc5.h"
#include "core/save_state.h"

namespace morvel {

namespace {

// One capture of each board family's registers per save-state slot; the
// three MMC3 boards share theirs.
Mmc1State mmc1Saved[kStateSlots];
Mmc3State mmc3Saved[kStateSlots];
Mmc5State mmc5Saved[kStateSlots];
Mmc2State mmc2Saved[kStateSlots];

template <typename Record>
constexpr BoardExtras Extras(Record& live, Record (&saved)[kStateSlots],
                             bool (*fits)(const uint8_t*, std::string&)) {
    return {&live, sizeof(Record), saved, fits};
}

constexpr BoardExtras kNoExtras = {nullptr, 0, nullptr, nullptr};
constexpr BoardExtras kMmc1Extras = Extras(mmc1, mmc1Saved, Mmc1ExtrasFit);
constexpr BoardExtras kMmc3Extras = Extras(mmc3, mmc3Saved, Mmc3ExtrasFit);
constexpr BoardExtras kMmc5Extras = Extras(mmc5, mmc5Saved, Mmc5ExtrasFit);
constexpr BoardExtras kMmc2Extras = Extras(mmc2, mmc2Saved, Mmc2ExtrasFit);

constexpr PpuBoardHooks kNoPpuHooks = {nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr};
// The MMC3's counter, on mappers 4, 118 and 189 alike, sees the addresses the
// CPU puts on the PPU bus through $2006/$2007 as well as the rendering fetches.
// It clocks on a rise of A12 alone, so a run of fetches from one pattern
// table shows it what the last of them does.
constexpr PpuBoardHooks kMmc3PpuHooks = {
    Mmc3WatchA12, nullptr, nullptr, Mmc3RisesToIrq, Mmc3WatchA12, Mmc3ChrRomRead, Mmc3ChrRamRead};
constexpr PpuBoardHooks kMmc5PpuHooks = {nullptr, StepRenderMmc5, Mmc5ClearInFrame, nullptr,
                                         nullptr, nullptr,        nullptr};

constexpr PatternMemory kHeader = PatternMemory::kByHeader;
constexpr PatternMemory kRam = PatternMemory::kAlwaysRam;
constexpr PatternMemory kData = PatternMemory::kAlwaysData;

// Mapper 4's NES 2.0 submappers 1 (the MMC6) and 4 (the MMC3A) name chips
// that count by the earlier rule.
constexpr uint16_t kEarlyMmc3 = (1u << 1) | (1u << 4);

}  // namespace

// Columns: mapper, name, set-up, pattern memory, most PRG units, after the
// header's mirroring, after a state load, save-state extras, PPU hooks, the
// submappers of the earlier MMC3 counter.
// clang-format off
const SupportedBoard supportedBoards[13] = {
    {0,   "MAPPER 0", SetupNrom,      kHeader, 2, nullptr,            nullptr,             kNoExtras,   kNoPpuHooks,   0},
    {1,   "MMC 1",    SetupMmc1,      kHeader, 0, Mmc1AfterMirroring, Mmc1AfterStateLoad,  kMmc1Extras, kNoPpuHooks,   0},
    {2,   "UNROM",    SetupUnrom,     kRam,    0, nullptr,            nullptr,             kNoExtras,   kNoPpuHooks,   0},
    {3,   "CNROM",    SetupCnrom,     kData,   2, nullptr,            nullptr,             kNoExtras,   kNoPpuHooks,   0},
    {4,   "MMC 3",    SetupMmc3,      kHeader, 0, nullptr,            Mmc3AfterStateLoad,  kMmc3Extras, kMmc3PpuHooks, kEarlyMmc3},
    {5,   "MMC5",     SetupMmc5,      kHeader, 0, nullptr,            Mmc5AfterStateLoad,  kMmc5Extras, kMmc5PpuHooks, 0},
    {7,   "AOROM",    SetupAorom,     kRam,    0, nullptr,            AoromAfterStateLoad, kNoExtras,   kNoPpuHooks,   0},
    {9,   "MMC 2",    SetupMmc2,      kHeader, 0, nullptr,            nullptr,             kMmc2Extras, kNoPpuHooks,   0},
    {34,  "BxROM",    SetupBxrom,     kHeader, 0, nullptr,            nullptr,             kNoExtras,   kNoPpuHooks,   0},
    {58,  "58",       SetupMapper58,  kHeader, 0, nullptr,            nullptr,             kNoExtras,   kNoPpuHooks,   0},
    {118, "118",      SetupMapper118, kHeader, 0, nullptr,            Mmc3AfterStateLoad,  kMmc3Extras, kMmc3PpuHooks, 0},
    {189, "189",      SetupMapper189, kHeader, 0, nullptr,            Mmc3AfterStateLoad,  kMmc3Extras, kMmc3PpuHooks, 0},
    {226, "226",      SetupMapper226, kHeader, 0, nullptr,            nullptr,             kNoExtras,   kNoPpuHooks,   0},
};
// clang-format on

const SupportedBoard* FindSupportedBoard(int32_t mapper) {
    for (const SupportedBoard& board : supportedBoards)
        if (board.mapper == mapper) return &board;
    return nullptr;
}

}  // namespace morvel
