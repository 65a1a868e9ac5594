// Save states: four slots per cartridge, each a raw copy of the machine's state
// records taken between frames, kept together in one ".yss" file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

#include "apu/apu_state.h"
#include "cart/board.h"
#include "core/cpu.h"
#include "core/frame_loop.h"
#include "core/memory_map.h"
#include "ppu/ppu_state.h"

namespace morvel {

// One slot, 25828 bytes, little-endian, in the order the file keeps.
struct StateSlot {
    uint32_t occupied;  // 1 once saved
    FrameBookkeeping frame;
    CpuBlock cpu;
    PpuState ppu;
    ApuState apu;
    SampleStage samples;
    WorkRamBlock workRam;
    uint8_t chrRam[8192];
    BankNumbers banks;
};
static_assert(std::is_trivially_copyable_v<StateSlot>);
static_assert(sizeof(StateSlot) == 25828);
static_assert(offsetof(StateSlot, frame) == 4);
static_assert(offsetof(StateSlot, cpu) == 12);
static_assert(offsetof(StateSlot, ppu) == 2124);
static_assert(offsetof(StateSlot, apu) == 6776);
static_assert(offsetof(StateSlot, samples) == 7232);
static_assert(offsetof(StateSlot, workRam) == 9296);
static_assert(offsetof(StateSlot, chrRam) == 17496);
static_assert(offsetof(StateSlot, banks) == 25688);

// The versioned part of a slot: the state the exact machine keeps beyond the
// records above. The file keeps the four of them after the slots and the
// board extras, behind a small header (kCycleStateMagic, version, size); a
// file without that part is one of the first version, and its slots load
// with what each subsystem derives from the records.
struct SlotCycleState {
    CpuCycleState cpu;
    PpuCycleState ppu;
    ApuCycleState apu;
};
static_assert(std::is_trivially_copyable_v<SlotCycleState>);

struct CycleStateHeader {
    char magic[4];
    uint32_t version;
    uint32_t size;  // bytes of one SlotCycleState
};
static_assert(sizeof(CycleStateHeader) == 12);
constexpr char kCycleStateMagic[4] = {'M', 'V', 'C', 'Y'};
constexpr uint32_t kCycleStateVersion = 1;

// A board's added record (SupportedBoard::addedExtras) follows the versioned
// part behind a header of the same form, with its own magic and version and
// the size of one record; then the four slots' records. Only boards that
// have one write it; a file without it loads with the record cleared.
constexpr char kAddedExtrasMagic[4] = {'M', 'V', 'B', 'X'};
constexpr uint32_t kAddedExtrasVersion = 1;

constexpr int kStateSlots = 4;
constexpr size_t kSlotSetSize = kStateSlots * sizeof(StateSlot);  // 103312
// The versioned part at the end of the file: its header and four slots' worth.
constexpr size_t kCycleStatePartSize =
    sizeof(CycleStateHeader) + kStateSlots * sizeof(SlotCycleState);

// Set by SaveStateSlot; cleared by WriteStateFile once the file holds every
// slot, and only then: after a failed write the slots are still unwritten.
extern uint32_t statesDirty;

// Why the last ReadStateFile or LoadStateSlot refused something, or why the
// last WriteStateFile failed (for the messages); empty when nothing was refused.
extern std::string stateError;

// Where the last WriteStateFile moved a state file that had been refused at
// load (kept for the user, never overwritten); empty when it moved none.
extern std::string stateFileSetAside;

// Forgets every slot and board extra: before a cartridge's first load, so a
// slot of another cartridge is never restored into this one.
void ClearStateSlots();

// Start-up: remembers "<exeDir>/savestates" and creates the folder.
void PrepareSaveStates(const char* exeDir);

// Derives "<exeDir>/savestates/<file name>.yss" from the path of the loaded
// cartridge: the file name keeps its extension, so "Some Game.nes" gives
// "Some Game.nes.yss". Where that name belongs to another cartridge of the same
// file name, a numbered one is chosen (state_file_owner.h).
void SetStateFileName(const char* cartridgePath);
const std::string& StateFilePath();

int SaveStateSlot(int n);
// Rebuilds what follows from the state records once they are put back: the
// clocks caught up to the CPU, the bank pointers, the board's own derived
// state, the PPU step and the pixel position.
void RebuildAfterStateRestore();
int LoadStateSlot(int n);
int WriteStateFile();
int ReadStateFile();

// Bytes per slot of the board's extras for a mapper (0 when it has none).
size_t BoardExtrasSize(uint32_t mapper);

}  // namespace morvel
