#include "core/save_state.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "apu/apu.h"
#include "apu/expansion_sound.h"
#include "cart/board_clock.h"
#include "cart/board_table.h"
#include "cart/cartridge.h"
#include "core/file_name.h"
#include "core/save_state_checks.h"
#include "core/state_file_owner.h"
#include "core/user_files.h"
#include "ppu/ppu.h"

namespace morvel {

uint32_t statesDirty;
std::string stateError;
std::string stateFileSetAside;

namespace {

StateSlot slotSet[kStateSlots];
// The versioned part of each slot; cycleStateKept[n] is 0 for a slot read
// from a file of the first version.
SlotCycleState cycleSet[kStateSlots];
uint8_t cycleStateKept[kStateSlots];

std::string statesFolder = "savestates";
std::string stateFilePath;
std::string stateFileName;  // the cartridge's file name, for messages
CartridgeIdentity stateFileOwner;
bool stateFileRecorded;  // the owner record beside the file names this cartridge
bool stateFileRefused;   // the file there was refused: set aside before writing

// The registers the loaded board keeps beside a slot (none without a board).
BoardExtras ExtrasFor(uint32_t mapper) {
    const SupportedBoard* board = FindSupportedBoard(static_cast<int32_t>(mapper));
    return board ? board->extras : BoardExtras{nullptr, 0, nullptr, nullptr};
}

// The record the loaded board added in a later version (none without a board).
BoardExtras AddedExtrasFor(uint32_t mapper) {
    const SupportedBoard* board = FindSupportedBoard(static_cast<int32_t>(mapper));
    return board ? board->addedExtras : BoardExtras{nullptr, 0, nullptr, nullptr};
}

uint8_t* SavedExtras(const BoardExtras& extras, int n) {
    return static_cast<uint8_t*>(extras.saved) + n * extras.size;
}

// Whether the file holds a part header of this magic, version and record size at offset.
bool PartHeaderAt(const std::vector<uint8_t>& contents, size_t offset, const char (&magic)[4],
                  uint32_t version, size_t size) {
    CycleStateHeader header;
    std::memcpy(&header, contents.data() + offset, sizeof header);
    return std::memcmp(header.magic, magic, sizeof header.magic) == 0 &&
           header.version == version && header.size == size;
}

bool WritePartHeader(std::FILE* file, const char (&magic)[4], uint32_t version, size_t size) {
    CycleStateHeader header{};
    std::memcpy(header.magic, magic, sizeof header.magic);
    header.version = version;
    header.size = static_cast<uint32_t>(size);
    return std::fwrite(&header, sizeof header, 1, file) == 1;
}

}  // namespace

size_t BoardExtrasSize(uint32_t mapper) {
    return ExtrasFor(mapper).size;
}

void ClearStateSlots() {
    std::memset(slotSet, 0, sizeof slotSet);
    std::memset(cycleSet, 0, sizeof cycleSet);
    std::memset(cycleStateKept, 0, sizeof cycleStateKept);
    for (const SupportedBoard& board : supportedBoards) {
        if (board.extras.size) std::memset(board.extras.saved, 0, kStateSlots * board.extras.size);
        if (board.addedExtras.size)
            std::memset(board.addedExtras.saved, 0, kStateSlots * board.addedExtras.size);
    }
    statesDirty = 0;
}

void PrepareSaveStates(const char* exeDir) {
    statesFolder = std::string(exeDir) + "/savestates";
    std::error_code ignored;
    std::filesystem::create_directory(statesFolder, ignored);
}

void SetStateFileName(const char* cartridgePath) {
    stateFileName = FileNameOf(cartridgePath);
    stateFileOwner = LoadedCartridgeIdentity();
    StateFileChoice choice =
        ChooseStateFile(statesFolder, stateFileName, stateFileOwner,
                        sizeof slotSet + kStateSlots * BoardExtrasSize(mapperNumber));
    stateFilePath = choice.path;
    stateFileRecorded = choice.recorded;
    stateFileRefused = false;
}

const std::string& StateFilePath() {
    return stateFilePath;
}

int SaveStateSlot(int n) {
    if (n < 0 || n >= kStateSlots || !CartridgeLoaded()) return 0;
    StateSlot& slot = slotSet[n];
    slot.frame = frameBookkeeping;
    slot.cpu = cpu;
    slot.ppu = ppu;
    slot.apu = apu;
    slot.samples = sampleStage;
    slot.workRam = workRamBlock;
    std::memcpy(slot.chrRam, chrRam, sizeof chrRam);
    slot.banks = banks;
    cycleSet[n] = SlotCycleState{cpuCycle, ppuCycle, apuCycle};
    cycleStateKept[n] = 1;
    BoardExtras extras = ExtrasFor(mapperNumber);
    if (extras.size) std::memcpy(SavedExtras(extras, n), extras.live, extras.size);
    BoardExtras added = AddedExtrasFor(mapperNumber);
    if (added.size) std::memcpy(SavedExtras(added, n), added.live, added.size);
    slot.occupied = 1;
    statesDirty = 1;
    return 1;
}

int LoadStateSlot(int n) {
    stateError.clear();
    if (n < 0 || n >= kStateSlots || !CartridgeLoaded() || slotSet[n].occupied != 1) return 0;
    const StateSlot& slot = slotSet[n];
    BoardExtras extras = ExtrasFor(mapperNumber);
    const uint8_t* savedExtras = extras.size ? SavedExtras(extras, n) : nullptr;
    // A slot whose numbers would point outside this cartridge, or outside the
    // machine's own arrays, is refused whole: the machine keeps running as it was.
    if (!SlotFitsCartridge(slot, savedExtras, stateError)) return 0;
    BoardExtras added = AddedExtrasFor(mapperNumber);
    if (added.size && added.fits && !added.fits(SavedExtras(added, n), stateError)) return 0;

    frameBookkeeping = slot.frame;
    cpu = slot.cpu;
    ppu = slot.ppu;
    apu = slot.apu;
    sampleStage = slot.samples;
    workRamBlock = slot.workRam;
    std::memcpy(chrRam, slot.chrRam, sizeof chrRam);
    // The bank counts describe the loaded cartridge, not the moment: they stay
    // as its set-up made them.
    const uint32_t prgBankCount = banks.prgBankCount;
    const uint32_t chrBankCount = banks.chrBankCount;
    banks = slot.banks;
    banks.prgBankCount = prgBankCount;
    banks.chrBankCount = chrBankCount;
    if (extras.size) std::memcpy(extras.live, savedExtras, extras.size);
    if (added.size) std::memcpy(added.live, SavedExtras(added, n), added.size);
    if (cycleStateKept[n]) {
        cpuCycle = cycleSet[n].cpu;
        ppuCycle = cycleSet[n].ppu;
        apuCycle = cycleSet[n].apu;
    } else {
        CpuCycleStateForOldState();
        PpuCycleStateForOldState();
        ApuCycleStateForOldState();
    }
    RebuildAfterStateRestore();
    return 1;
}

void RebuildAfterStateRestore() {
    ApuSyncClock();
    RebuildBankPointers();
    const SupportedBoard* board = FindSupportedBoard(static_cast<int32_t>(mapperNumber));
    if (board && board->afterStateLoad) board->afterStateLoad();
    BoardResyncClock();
    ClearExpansionSamples();
    SelectRenderer();
    PlacePixelCursor();
}

// The file is written beside the old one, flushed and renamed over it (see
// FileReplacement), so a crash or a full disk in the middle never destroys the
// slots saved before. The owner record goes first: a record without its file
// only keeps the name for this cartridge. A file that was refused at load is
// set aside, untouched, before its name is reused.
int WriteStateFile() {
    stateError.clear();
    stateFileSetAside.clear();
    if (!statesDirty) return 0;
    if (stateFilePath.empty()) {
        stateError = "every state file name for " + stateFileName + " in " + statesFolder +
                     " belongs to another cartridge";
        return 0;
    }
    std::error_code ignored;
    std::filesystem::create_directory(statesFolder, ignored);
    if (!stateFileRecorded) {
        if (!RecordStateFileOwner(stateFilePath, stateFileOwner, stateError)) return 0;
        stateFileRecorded = true;
    }
    if (stateFileRefused) {
        stateFileSetAside = SetAsideUserFile(stateFilePath, ".refused");
        if (stateFileSetAside.empty()) {
            stateError = "cannot set aside the refused " + stateFilePath;
            return 0;
        }
        stateFileRefused = false;
    }
    FileReplacement replacement(stateFilePath);
    std::FILE* file = replacement.Open();
    if (!file) {
        stateError = replacement.error();
        return 0;
    }
    BoardExtras extras = ExtrasFor(mapperNumber);
    bool written = std::fwrite(slotSet, 1, sizeof slotSet, file) == sizeof slotSet;
    if (written && extras.size)
        written = std::fwrite(extras.saved, extras.size, kStateSlots, file) ==
                  static_cast<size_t>(kStateSlots);
    if (written)
        written =
            WritePartHeader(file, kCycleStateMagic, kCycleStateVersion, sizeof(SlotCycleState));
    if (written) written = std::fwrite(cycleSet, sizeof cycleSet, 1, file) == 1;
    BoardExtras added = AddedExtrasFor(mapperNumber);
    if (written && added.size)
        written = WritePartHeader(file, kAddedExtrasMagic, kAddedExtrasVersion, added.size) &&
                  std::fwrite(added.saved, added.size, kStateSlots, file) ==
                      static_cast<size_t>(kStateSlots);
    if (!written || !replacement.Commit()) {
        stateError =
            replacement.error().empty() ? "cannot write " + stateFilePath : replacement.error();
        return 0;
    }
    statesDirty = 0;
    return 1;
}

// Reads the whole file before taking any of it: a file of the wrong size
// (truncated, or of another board) loads nothing, and is kept: it is set aside
// before a new file takes its name.
int ReadStateFile() {
    stateError.clear();
    stateFileRefused = false;
    if (stateFilePath.empty()) return 0;
    BoardExtras extras = ExtrasFor(mapperNumber);
    BoardExtras added = AddedExtrasFor(mapperNumber);
    const size_t firstVersion = sizeof slotSet + kStateSlots * extras.size;
    const size_t cycleVersion = firstVersion + sizeof(CycleStateHeader) + sizeof cycleSet;
    const size_t addedPart = added.size ? sizeof(CycleStateHeader) + kStateSlots * added.size : 0;
    const size_t expected = cycleVersion + addedPart;
    std::vector<uint8_t> contents;
    ReadOutcome outcome = ReadUserFile(stateFilePath, expected, contents);
    if (outcome == ReadOutcome::kMissing) return 0;
    const bool read = outcome == ReadOutcome::kRead;
    // A board's added record may be missing (a file from before it), never
    // of another version.
    const bool versioned =
        read && (contents.size() == expected || (addedPart && contents.size() == cycleVersion));
    const bool addedKept =
        versioned && addedPart && contents.size() == expected &&
        PartHeaderAt(contents, cycleVersion, kAddedExtrasMagic, kAddedExtrasVersion, added.size);
    const bool current = versioned &&
                         PartHeaderAt(contents, firstVersion, kCycleStateMagic, kCycleStateVersion,
                                      sizeof(SlotCycleState)) &&
                         (addedKept || contents.size() == cycleVersion);
    if (current || (read && contents.size() == firstVersion)) {
        std::memcpy(slotSet, contents.data(), sizeof slotSet);
        if (extras.size)
            std::memcpy(extras.saved, contents.data() + sizeof slotSet, kStateSlots * extras.size);
        if (addedKept)
            std::memcpy(added.saved, contents.data() + cycleVersion + sizeof(CycleStateHeader),
                        kStateSlots * added.size);
        else if (added.size)
            std::memset(added.saved, 0, kStateSlots * added.size);
        if (current) {
            std::memcpy(cycleSet, contents.data() + firstVersion + sizeof(CycleStateHeader),
                        sizeof cycleSet);
            std::memset(cycleStateKept, 1, sizeof cycleStateKept);
        } else {
            std::memset(cycleSet, 0, sizeof cycleSet);
            std::memset(cycleStateKept, 0, sizeof cycleStateKept);
        }
        SelectRenderer();
        return 1;
    }
    if (versioned)
        stateError = "state file " + stateFilePath +
                     " was written by another version of morvel: nothing loaded";
    else if (outcome == ReadOutcome::kRead)
        stateError = "state file " + stateFilePath + " has " + std::to_string(contents.size()) +
                     " bytes, expected " + std::to_string(expected) + ": nothing loaded";
    else
        stateError =
            "state file " + stateFilePath + " " + ReadOutcomeText(outcome) + ": nothing loaded";
    // A folder or a device in its place is no file of the user's to move; the
    // write refuses it with its own reason.
    stateFileRefused = outcome != ReadOutcome::kNotRegular;
    return 0;
}

}  // namespace morvel
