// The looping sound buffer that a host provides, in the core's terms.
//
// The buffer is a ring of bytes (mono 16-bit little-endian PCM) that the
// host's audio output plays in a loop from the moment `play` is called, at the
// sample rate last given to `setFrequency`. The core writes ahead of the play
// cursor through `lock`/`unlock` and paces the machine by polling the cursor
// (see sound_output.h). All calls come from the thread that runs the frames;
// an implementation that plays from another thread (an audio callback)
// guards the bytes and the cursor itself.
//
// Results: kSoundOk, kSoundFailed, or kSoundLost when the device lost the
// buffer; after kSoundLost the core calls `restore` and retries once.
#pragma once

#include <cstdint>

namespace morvel {

enum SoundResult : int32_t {
    kSoundFailed = 0,
    kSoundOk = 1,
    kSoundLost = 2,
};

// A writable span of the ring buffer.
struct SoundRegion {
    uint8_t* data;
    uint32_t bytes;
};

struct SoundBufferInterface {
    // Creates the ring of `bufferBytes` bytes for 16-bit mono samples at
    // `sampleRate`, filled with zeros, stopped, with its play cursor at 0.
    SoundResult (*create)(uint32_t bufferBytes, uint32_t sampleRate);
    // Stops playback (if any) and frees the ring.
    void (*release)();
    // Starts playing in a loop from the current play cursor.
    SoundResult (*play)();
    // Stops playing; the play cursor keeps its place.
    void (*stop)();
    // Makes a lost buffer usable again.
    SoundResult (*restore)();
    // The byte offset in the ring that plays next.
    uint32_t (*playCursor)();
    // Sets the rate, in samples per second, at which the ring is consumed.
    void (*setFrequency)(uint32_t samplesPerSecond);
    // Gives write access to `bytes` bytes from `offset` (both within the
    // ring): `first` runs from offset to at most the ring's end, `second`
    // (empty unless the span wraps) from the ring's start.
    SoundResult (*lock)(uint32_t offset, uint32_t bytes, SoundRegion& first, SoundRegion& second);
    // Ends the write access given by `lock`.
    void (*unlock)(const SoundRegion& first, const SoundRegion& second);
};

// The buffer the sound output opens at start-up; the host sets it before
// SoundInit (the SDL2 output in the desktop program, the never-blocking
// buffer in morvel-headless).
extern const SoundBufferInterface* soundBackend;

}  // namespace morvel
