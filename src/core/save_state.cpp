#include "core/save_state.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "cart/cartridge.h"
#include "cart/mmc1.h"
#include "cart/mmc2.h"
#include "cart/mmc3.h"
#include "cart/mmc5.h"
#include "core/save_state_checks.h"
#include "ppu/ppu.h"

namespace morvel {

uint32_t statesDirty;
std::string stateError;

namespace {

StateSlot slotSet[kStateSlots];
Mmc1State mmc1Extras[kStateSlots];
Mmc3State mmc3Extras[kStateSlots];
Mmc5State mmc5Extras[kStateSlots];
Mmc2State mmc2Extras[kStateSlots];

std::string statesFolder = "savestates";
std::string stateFilePath;

// Where a board family keeps the registers a slot does not hold, and the
// array of four captures of them.
struct BoardExtras {
    void* live;
    void* saved;  // four entries of `size` bytes
    size_t size;
};

BoardExtras ExtrasFor(uint32_t mapper) {
    switch (mapper) {
        case 1: return {&mmc1, mmc1Extras, sizeof(Mmc1State)};
        case 4:
        case 118:
        case 189: return {&mmc3, mmc3Extras, sizeof(Mmc3State)};
        case 5: return {&mmc5, mmc5Extras, sizeof(Mmc5State)};
        case 9: return {&mmc2, mmc2Extras, sizeof(Mmc2State)};
        default: return {nullptr, nullptr, 0};
    }
}

uint8_t* SavedExtras(const BoardExtras& extras, int n) {
    return static_cast<uint8_t*>(extras.saved) + n * extras.size;
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

}  // namespace

size_t BoardExtrasSize(uint32_t mapper) {
    return ExtrasFor(mapper).size;
}

void ClearStateSlots() {
    std::memset(slotSet, 0, sizeof slotSet);
    std::memset(mmc1Extras, 0, sizeof mmc1Extras);
    std::memset(mmc3Extras, 0, sizeof mmc3Extras);
    std::memset(mmc5Extras, 0, sizeof mmc5Extras);
    std::memset(mmc2Extras, 0, sizeof mmc2Extras);
    statesDirty = 0;
}

void PrepareSaveStates(const char* exeDir) {
    statesFolder = std::string(exeDir) + "/savestates";
    mkdir(statesFolder.c_str(), 0777);
}

void SetStateFileName(const char* cartridgePath) {
    const char* name = std::strrchr(cartridgePath, '/');
    name = name ? name + 1 : cartridgePath;
    stateFilePath = statesFolder + "/" + name + ".yss";
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
    BoardExtras extras = ExtrasFor(mapperNumber);
    if (extras.size) std::memcpy(SavedExtras(extras, n), extras.live, extras.size);
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
    RebuildBankPointers();
    const BoardSetup* board = FindBoardSetup(mapperNumber);
    if (board && board->afterStateLoad) board->afterStateLoad();
    SelectRenderer();
    return 1;
}

// The file is written beside the old one and renamed over it, so a crash or a
// full disk in the middle never destroys the slots saved before.
int WriteStateFile() {
    if (!statesDirty || stateFilePath.empty()) return 0;
    mkdir(statesFolder.c_str(), 0777);
    std::string temporary = stateFilePath + "~";
    BoardExtras extras = ExtrasFor(mapperNumber);
    bool written = false;
    {
        File file(std::fopen(temporary.c_str(), "wb"));
        if (!file) return 0;
        written = std::fwrite(slotSet, 1, sizeof slotSet, file.get()) == sizeof slotSet;
        if (written && extras.size)
            written = std::fwrite(extras.saved, extras.size, kStateSlots, file.get()) ==
                      static_cast<size_t>(kStateSlots);
        written = written && std::fflush(file.get()) == 0;
        if (std::fclose(file.release()) != 0) written = false;
    }
    if (!written || std::rename(temporary.c_str(), stateFilePath.c_str()) != 0) {
        std::remove(temporary.c_str());
        return 0;
    }
    return 1;
}

// Reads the whole file before taking any of it: a file of the wrong size
// (truncated, or of another board) loads nothing.
int ReadStateFile() {
    stateError.clear();
    File file(std::fopen(stateFilePath.c_str(), "rb"));
    if (!file) return 0;
    BoardExtras extras = ExtrasFor(mapperNumber);
    const size_t expected = sizeof slotSet + kStateSlots * extras.size;
    auto contents = std::make_unique<uint8_t[]>(expected + 1);
    size_t got = std::fread(contents.get(), 1, expected + 1, file.get());
    if (got != expected) {
        stateError = "state file " + stateFilePath + " has " + std::to_string(got) +
                     (got > expected ? " or more" : "") + " bytes, expected " +
                     std::to_string(expected) + ": nothing loaded";
        return 0;
    }
    std::memcpy(slotSet, contents.get(), sizeof slotSet);
    if (extras.size)
        std::memcpy(extras.saved, contents.get() + sizeof slotSet, kStateSlots * extras.size);
    SelectRenderer();
    return 1;
}

}  // namespace morvel
