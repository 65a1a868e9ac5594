// Streaming sound output: the frame's samples go into a looping buffer whose
// draining paces the whole machine.
#pragma once

namespace morvel {

// Sets the playback rate to sampleCount x 60, waits until the buffer has room
// for the frame's samples and writes them.
void SoundSync();

// Silence and stop playback around anything that holds the frame loop up.
void SoundStop();
// Silence again and restart playback.
void SoundResume();
// Clears the sample stage, starts playback and primes the buffer with silence
// (every cartridge load).
void SoundRestart();

}  // namespace morvel
