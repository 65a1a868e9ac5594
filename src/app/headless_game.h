// The game in morvel-headless: opened, saved, loaded and closed through the
// desktop program's own front end, whose on-screen messages are printed as
// lines (on stdout while the game runs, on stderr otherwise), with the
// details behind a failure on stderr.
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

// The on-screen messages become printed lines, shown without a pause.
void UsePrintedMessages();

// Picks the data folder (a new temporary one when none is given) for the
// state files and screenshots; false when none can be made.
bool OpenDataFolder(const std::string& dataDir);
void RemoveTemporaryFolder();

// Opens the cartridge as the Load Rom command does (its state file read);
// false when it was refused.
bool OpenGame(const std::string& cartridge);

// Carries out the actions due after `framesDone` frames.
void RunStateActions(const std::vector<StateAction>& actions, long framesDone);

// Closes the game as the Close Rom command does, writing the state file when
// a saved slot is still unwritten (its write failed) and the battery save,
// and removes a temporary data folder; false when the slots or the battery
// save could not be written.
bool CloseGame();

}  // namespace morvel
