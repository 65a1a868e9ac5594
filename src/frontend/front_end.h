// The front end's state and its path for cartridges: opening one (from the
// menu, a dropped file, the command line or the ROM browser), replacing it,
// closing it, pausing, and what losing and regaining the focus do.
#pragma once

#include <cstdint>
#include <string>

#include "core/host.h"

namespace morvel {

// The four states: no cartridge (0, 0), running (1, 1), paused and suspended
// (1, 0). The message loop runs a frame on each pass only while emuRunning.
extern uint32_t romLoaded;
extern uint32_t emuRunning;
extern uint32_t runningBeforeFocusLoss;
extern uint32_t romFromCommandLine;  // settings are then not written back at exit
extern uint32_t pauseChecked;        // the check mark of the Pause item
extern std::string romFileName;      // the loaded cartridge's file name, no folder

// 1 when the cartridge runs, 0 when it was refused (the game that ran before
// then goes on running).
int OpenCartridge(const char* path);
// Told the path of each cartridge OpenCartridge started (the desktop keeps
// its recent list with it); null: nobody is told.
extern void (*cartridgeOpened)(const char* path);
void CloseCartridge();
void UpdatePauseIndicator();

// After WriteStateFile: "STATES FILE SET ASIDE" when a file refused at load
// was moved out of the way, "STATES NOT SAVED" when the write failed.
void SayHowStatesWereWritten(int written);

// The main window lost or regained the keyboard focus.
void WindowFocusLost();
void WindowFocusGained();
// A menu, move or size loop holds the frame loop up.
void ModalLoopEntered();
void ModalLoopLeft();

// What the window shows once when a halting opcode has stopped the CPU.
extern const char kCpuHaltedText[];

// Runs one frame of the running game (the hosts' frame loops call it), then
// shows kCpuHaltedText once if the CPU halted: the console stands still until
// a reset, with the last picture shown. A reset, a state load or another
// cartridge that leaves the CPU running lets it show again.
void RunGameFrame();

// The command line's cartridge path without its quotation marks.
std::string StripQuotes(const std::string& commandLine);

}  // namespace morvel
