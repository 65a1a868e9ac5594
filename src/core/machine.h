// Power-on and reset of the whole machine, and the one way a cartridge
// becomes a running machine.
#pragma once

#include <cstdint>

namespace morvel {

// CPU, APU and PPU power-on and the idle PPU step; the frame bookkeeping
// starts from zero.
void PowerOnMachine();

// The console's reset button.
void ResetMachine();

// Takes a cartridge from its file to a machine ready to run frames: reads the
// image and sets up its board, clears and enables work RAM, powers the machine
// on, picks the PPU step and selects the normal frame. Every host, test and
// fuzzer starts a cartridge through here. On failure (the reason shown through
// showErrorBox) the machine that ran before is untouched. 1 on success, 0 on
// failure.
int StartCartridge(const char* path);

// Counts the cartridges started: what was kept of the machine before (the
// rewind history) belongs to another start once it changes.
extern uint32_t machineStarts;

}  // namespace morvel
