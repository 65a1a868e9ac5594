// The sound buffer of morvel-headless: a ring that is played the instant it
// is written, so the frame loop never waits, and a WAV capture of every
// sample the machine produces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/host.h"

namespace morvel {

// Never blocks: its play cursor always stands where the last write ended.
extern const SoundBufferInterface headlessSoundBuffer;

// Collects every frame's samples (through soundSampleTap) from now on.
void StartSampleCapture();
const std::vector<int16_t>& CapturedSamples();

// Writes samples as a mono 16-bit PCM WAV file at 44100 Hz, replacing an
// older file only once the new one is complete; false (why set, the older
// file untouched) when it cannot be written.
bool WriteWavFile(const std::string& path, const std::vector<int16_t>& samples, std::string& why);

}  // namespace morvel
