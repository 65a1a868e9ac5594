// Game pads on SDL2: every attached joystick in the slots of the controllers,
// read in the DirectInput shape (buttons 0-127, the first hat in hundredths of
// a degree, X and Y on 0-65535). A pad SDL has a game controller mapping for
// is read through it: its buttons in SDL's order (A 0, B 1, X 2, Y 3, Back 4,
// ..., then the triggers), the d-pad as the hat, the left stick as X and Y.
// Any other pad is read by the device's own numbering. A pad plugged in while
// the program runs is taken for a NES controller that has none; one pulled
// out is reported at the next latch and dropped.
#pragma once

#include <cstdint>
#include <string>

namespace morvel::sdl {

// The triggers of a game controller, as buttons after SDL's own.
constexpr uint32_t kPadTriggerLeft = 21;
constexpr uint32_t kPadTriggerRight = 22;

// Starts SDL's game controller layer with the mappings of `mappingFile` (a
// gamecontrollerdb.txt, skipped when absent) added to SDL's own, installs the
// reader of the slots and fills the slots with the pads attached now. Returns
// the number of pads; `problem` tells why a mapping file that is there could
// not be used (the pads then work with SDL's own mappings).
int32_t OpenJoypads(const char* mappingFile = nullptr, std::string* problem = nullptr);

// Fills the empty slots with every attached pad, in the order SDL numbers
// them. Returns the number of pads in the slots.
int32_t EnumerateJoypads();

// Takes in pads plugged in since the last call and lets go of pads pulled out
// of slots the controllers do not read. Called once per pass of the loop.
void PollJoypadChanges();

// Exchanges the devices of two slots, names and all.
void SwapJoypads(int32_t a, int32_t b);

// The game pad dialog's capture: `button` (in the pad's numbering) becomes
// entry `mapIndex` (A, B, Select, Start) of the slot's buttons and of those
// kept for its model, and, as the device numbers it, of joyButtonMap's first
// set.
void AssignJoypadButton(int32_t slot, int32_t mapIndex, uint32_t button);

// The name of a button of the pad in the slot, for the game pad dialog: "A",
// "Start", "D-pad Up" ... on a game controller, "Button 5" on any other pad.
std::string JoypadButtonName(int32_t slot, uint32_t button);

// Releases every pad and stops the joystick layer.
void CloseJoypads();

}  // namespace morvel::sdl
