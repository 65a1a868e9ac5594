// The looping sound buffer on SDL2: a ring of 16-bit mono samples that the
// audio callback plays from a play cursor at the rate last set, resampled to
// the device's own rate. When no audio device opens, a silent device moves
// the play cursor with the clock at the same rate, so the game keeps its pace.
#pragma once

#include <cstdint>

#include "core/host.h"

namespace morvel::sdl {

extern const SoundBufferInterface sdlSoundBuffer;

// True while a real audio device plays the ring (false: the silent device).
bool SoundDeviceOpen();

// How many times the device, playing, found every written sample played (an
// audible gap) since the program started; a stop or a clear does not count.
uint64_t SoundUnderruns();

}  // namespace morvel::sdl
