// Streaming sound output: the frame's samples go into a looping buffer whose
// draining paces the whole machine.
#pragma once

#include <cstdint>

#include "apu/rate_control.h"
#include "core/host.h"

namespace morvel {

// The open sound output: host-side, never part of a save state.
struct SoundDevice {
    const SoundBufferInterface* buffer;  // the streaming buffer
    SoundRegion first;                   // the locked regions of the write in progress
    SoundRegion second;
    uint32_t writeOffset;  // where the next samples go in the ring
    uint32_t bufferBytes;  // 17640: 200 ms of 16-bit mono at 44100 Hz, twice the longest latency
    uint32_t sampleRate;   // 44100
    uint32_t stopped;      // 1 while the buffer is not playing
    uint32_t locked;       // 1 between a successful lock and its unlock
    RateControl rate;      // the playing rate that keeps the queued sound at the latency
};

// Null before SoundInit and after SoundShutdown.
extern SoundDevice* soundDevice;

// Bound on every wait for the buffer to drain: a device that stalls for this
// long is given up on for that frame (the frame's samples are dropped).
constexpr int kSoundWaitLimitMs = 300;

// The sound latency: how much sound, in milliseconds, the game keeps queued
// ahead of the device. A value outside 20-100 gives the default, 40.
constexpr int32_t kSoundLatencyMinMs = 20;
constexpr int32_t kSoundLatencyMaxMs = 100;
constexpr int32_t kSoundLatencyDefaultMs = 40;
extern int32_t soundLatencyMs;
void SetSoundLatency(int32_t milliseconds);

// The clock SoundSync reads (seconds) and its sleep (seconds) while the ring
// is full enough; the default is the steady clock, tests simulate both.
struct SoundClock {
    double (*seconds)();
    void (*sleep)(double seconds);
};
extern SoundClock soundClock;

// Opens soundBackend, sets the 40-cycle sample clock and restarts the stream
// with silence. Returns 1, or 0 when the device cannot be opened (or is open).
int SoundInit();
void SoundShutdown();

// Clears the sample stage, starts playback and queues 1024 samples of silence.
void SoundRestart();

// Waits (sleeping as long as the device needs, bounded) until the sound
// queued ahead of the device has fallen to the latency, sets the playback rate to sampleCount x 60
// nudged by the rate control, and writes the frame's samples.
void SoundSync();

// Fast-forward: above 1, SoundSync plays the frame's samples that many times
// faster (each run of that many samples averaged into one, the rate left as
// it was), so its wait for the queue to drain holds the machine at that many
// times the console's speed and the sound keeps flowing, higher, without
// gaps. The sample tap and the recorder still get every sample. 1 normally.
extern uint32_t soundSpeedUp;

// Fills the ring with silence and moves the write position to the play
// cursor, so that the next samples are the next heard.
void SoundClear();
// Silence and stop / silence and play, around anything that blocks the frames.
void SoundStop();
void SoundResume();

// Copies bytes into the ring at the write position; a negative count means
// as many as are free.
void SoundWrite(const void* samples, int32_t byteCount);
// Free bytes ahead of the write position (the whole ring when the play cursor
// stands on it); 0 without a buffer.
uint32_t SoundFreeBytes();

}  // namespace morvel
