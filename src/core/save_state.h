// Four state slots per cartridge, kept in memory and written to the
// cartridge's ".yss" file when it is closed or replaced.
#pragma once

#include <cstdint>

namespace morvel {

// Set when a slot was saved since the state file was last written.
extern uint32_t statesDirty;

int SaveStateSlot(uint32_t n);  // 1 when slot n now holds the machine
int LoadStateSlot(uint32_t n);  // 1 when the machine was restored from slot n
int WriteStateFile();           // 1 when the slots were written to the file
int ReadStateFile();            // 1 when the file was read into the slots
void SetStateFileName(const char* cartridgePath);

}  // namespace morvel
