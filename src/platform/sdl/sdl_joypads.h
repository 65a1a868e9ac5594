// Game pads on SDL2: every attached joystick in the slots of the controllers,
// read in the DirectInput shape (buttons 0-127 as the device numbers them, the
// first hat in hundredths of a degree, X and Y on 0-65535). A pad plugged in
// while the program runs is taken for a NES controller that has none; one
// pulled out is reported at the next latch and dropped.
#pragma once

#include <cstdint>

namespace morvel::sdl {

// Starts SDL's joystick layer, installs the reader of the slots and fills the
// slots with the pads attached now. Returns the number of pads.
int32_t OpenJoypads();

// Fills the empty slots with every attached pad, in the order SDL numbers
// them. Returns the number of pads in the slots.
int32_t EnumerateJoypads();

// Takes in pads plugged in since the last call and lets go of pads pulled out
// of slots the controllers do not read. Called once per pass of the loop.
void PollJoypadChanges();

// Exchanges the devices of two slots, names and all.
void SwapJoypads(int32_t a, int32_t b);

// Releases every pad and stops the joystick layer.
void CloseJoypads();

}  // namespace morvel::sdl
