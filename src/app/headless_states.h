// Save states in morvel-headless: the state file is read at load, and slots
// are saved and loaded through the desktop program's own commands, whose
// on-screen messages are printed as lines on stdout.
#pragma once

#include <string>
#include <vector>

namespace morvel {

struct StateAction {
    bool save;   // save the slot, else load it
    int slot;    // 0-3
    long frame;  // after this many frames
};

// Parses "N@F" into an action; false when malformed.
bool ParseStateAction(const char* text, bool save, StateAction& action);

// Picks the data folder (a new temporary one when none is given), clears the
// slots and reads the cartridge's state file.
bool OpenStates(const std::string& dataDir, const std::string& cartridge);

// The on-screen messages become lines on stdout, shown without a pause.
void UsePrintedMessages();

// Carries out the actions due after `framesDone` frames.
void RunStateActions(const std::vector<StateAction>& actions, long framesDone);

// Writes the state file when a saved slot is still unwritten (its write
// failed); false when the slots could not be written.
bool CloseStates();

}  // namespace morvel
