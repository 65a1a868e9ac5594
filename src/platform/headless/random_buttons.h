// Random buttons on controller 1 for long unattended runs: a random button
// byte held for 1 to 16 frames, then the next; the same seed gives the same
// presses on the same frames.
#pragma once

#include <cstdint>

namespace morvel {

void StartRandomButtons(uint32_t seed);

// The random buttons held during a frame (0 when not started). Frames must
// be asked in order; the same frame may be asked many times.
uint8_t RandomButtons(long frame);

}  // namespace morvel
