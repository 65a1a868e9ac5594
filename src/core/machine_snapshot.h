// The whole machine held in memory between two frames, for rewinding and
// running ahead: the records a slot of a ".yss" file keeps, the versioned
// cycle state and the board's registers, one after another in one block of
// bytes. Saving and loading one is a plain copy of the records (no checks, no
// file format), a few microseconds.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvel {

// Bytes of a snapshot of the loaded cartridge's machine.
size_t MachineSnapshotSize();

// Copies the machine into `to` (MachineSnapshotSize() bytes). Taken between
// frames, when the frame's samples have been handed over: the sample buffer
// itself is not kept, only the sample in progress.
void SaveMachineSnapshot(uint8_t* to);

// Puts back a snapshot taken of this cartridge's machine and rebuilds what
// follows from it, as a slot load does; the machine then resumes exactly.
void LoadMachineSnapshot(const uint8_t* from);

}  // namespace morvel
