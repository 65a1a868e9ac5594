// The looping sound buffer on SDL2: a ring of 16-bit mono samples that the
// audio callback plays from a play cursor at the rate last set (resampled to
// the device's rate). When no audio device opens, a silent device moves the
// play cursor with the clock at the same rate, so the game keeps its pace.
#pragma once

#include <cstdint>

namespace morvel::sdl {

// Opens the device with a ring of bufferBytes (stopped, silent, cursor at 0).
// Returns true with a real device, false when the silent device stands in.
bool OpenRingBuffer(uint32_t bufferBytes, uint32_t sampleRate);
void CloseRingBuffer();

// The byte offset in the ring that plays next (always even).
uint32_t RingPlayCursor();
// Copies count bytes into the ring at offset, wrapping at its end.
void RingWrite(uint32_t offset, const void* bytes, uint32_t count);
// Fills the whole ring with silence.
void RingClear();
void RingPlay();
void RingStop();
bool RingPlaying();
// Samples per second the ring is played at.
void RingSetFrequency(uint32_t samplesPerSecond);
uint32_t RingBytes();
bool RingHasDevice();

// What the desktop program opens at start-up and closes at exit.
void SoundInit();
void SoundShutdown();

}  // namespace morvel::sdl
