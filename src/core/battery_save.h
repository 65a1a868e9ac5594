// Battery saves: the memory a cartridge keeps powered by its battery (work
// RAM, or a board's EEPROM or internal RAM) lives in "saves/<name>.sav", the
// plain bytes of that memory in the board's order, as other programs keep it,
// so a player can carry a save from one to the other. It is read when the
// cartridge starts and written when it is closed or replaced, when the
// program ends, and once a minute while it has changed; each write replaces
// the file whole or not at all.
#pragma once

#include <string>

namespace morvel {

// Start-up: remembers "<dataDir>/saves" and creates the folder.
void PrepareBatterySaves(const char* dataDir);

// After a cartridge has started: chooses its save file and reads it into the
// battery memory. Returns false when a file was there but refused (wrong
// size, unreadable): batteryError says why; the file is left as it is and is
// set aside, untouched, before the first write takes its name.
bool OpenBatterySave(const char* cartridgePath);

// Writes the battery memory when it differs from what the file holds.
// Returns false when a write failed (batteryError says why; the old file is
// intact and the next write tries again).
bool WriteBatterySave();

// Writes at most once a minute (by the wall clock) while the memory changed;
// called after every frame. Returns false when a write failed.
bool WriteBatterySaveOnTime();

// Forgets the cartridge's save (after the last write, on close).
void CloseBatterySave();

// Whether the loaded cartridge keeps any memory by battery.
bool HasBatterySave();
const std::string& BatterySavePath();
// Where the last refused file was set aside; empty when none was.
extern std::string batterySetAside;
extern std::string batteryError;

}  // namespace morvel
