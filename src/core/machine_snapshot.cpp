#include "core/machine_snapshot.h"

#include <cstring>

#include "apu/apu.h"
#include "cart/board_table.h"
#include "cart/cartridge.h"
#include "core/cpu.h"
#include "core/frame_loop.h"
#include "core/memory_map.h"
#include "core/save_state.h"
#include "ppu/ppu.h"

namespace morvel {

namespace {

struct Record {
    void* live;
    size_t size;
};

// The sample stage without its buffer: between frames the buffer holds only
// the last frame's samples, already handed over.
constexpr size_t kSampleTail = sizeof(SampleStage) - offsetof(SampleStage, sampleCycleCount);

// Every record of the machine, in a fixed order; the board's two extras last.
struct Records {
    Record list[16];
    int count = 0;
    size_t bytes = 0;
    void Add(void* live, size_t size) {
        if (!size) return;
        list[count++] = {live, size};
        bytes += size;
    }
};

Records MachineRecords() {
    Records r;
    r.Add(&frameBookkeeping, sizeof frameBookkeeping);
    r.Add(&cpu, sizeof cpu);
    r.Add(&ppu, sizeof ppu);
    r.Add(&apu, sizeof apu);
    r.Add(&sampleStage.sampleCycleCount, kSampleTail);
    r.Add(&workRamBlock, sizeof workRamBlock);
    r.Add(chrRam, sizeof chrRam);
    r.Add(&banks, sizeof banks);
    r.Add(&cpuCycle, sizeof cpuCycle);
    r.Add(&ppuCycle, sizeof ppuCycle);
    r.Add(&apuCycle, sizeof apuCycle);
    if (const SupportedBoard* board = FindSupportedBoard(static_cast<int32_t>(mapperNumber))) {
        r.Add(board->extras.live, board->extras.size);
        r.Add(board->addedExtras.live, board->addedExtras.size);
    }
    return r;
}

}  // namespace

size_t MachineSnapshotSize() {
    return MachineRecords().bytes;
}

void SaveMachineSnapshot(uint8_t* to) {
    const Records r = MachineRecords();
    for (int i = 0; i < r.count; ++i) {
        std::memcpy(to, r.list[i].live, r.list[i].size);
        to += r.list[i].size;
    }
}

void LoadMachineSnapshot(const uint8_t* from) {
    // The bank counts describe the cartridge, not the moment (as for a slot).
    const uint32_t prgBankCount = banks.prgBankCount;
    const uint32_t chrBankCount = banks.chrBankCount;
    const Records r = MachineRecords();
    for (int i = 0; i < r.count; ++i) {
        std::memcpy(r.list[i].live, from, r.list[i].size);
        from += r.list[i].size;
    }
    banks.prgBankCount = prgBankCount;
    banks.chrBankCount = chrBankCount;
    RebuildAfterStateRestore();
}

}  // namespace morvel
