#include "platform/sdl/sdl_sound.h"

#include <SDL.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace morvel::sdl {

namespace {

// The ring and its cursor. Shared with SDL's audio thread: every access from
// the main thread holds the device lock.
struct Ring {
    std::vector<int16_t> samples;
    double cursor = 0;  // in samples, fractional between two samples
    uint32_t frequency = 44100;
    bool playing = false;
    SDL_AudioDeviceID device = 0;
    int deviceRate = 48000;
    // The silent device: the cursor follows the clock.
    std::chrono::steady_clock::time_point lastTick;
};

Ring ring;

// The rate the device itself plays at; 480 frames are exactly 10 ms, which
// keeps drivers that wait a whole number of milliseconds per buffer on time.
constexpr int kDeviceRate = 48000;
constexpr int kDeviceFrames = 480;

void Lock() {
    if (ring.device) SDL_LockAudioDevice(ring.device);
}
void Unlock() {
    if (ring.device) SDL_UnlockAudioDevice(ring.device);
}

void AdvanceCursor(double samples) {
    double size = static_cast<double>(ring.samples.size());
    if (size == 0) return;
    ring.cursor += samples;
    while (ring.cursor >= size) ring.cursor -= size;
}

// The audio thread: plays the ring from the cursor, interpolating between
// neighbouring samples where the two rates differ.
void FillAudio(void*, Uint8* stream, int length) {
    auto* out = reinterpret_cast<int16_t*>(stream);
    int count = length / 2;
    size_t size = ring.samples.size();
    if (!ring.playing || size == 0) {
        std::memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    double step = static_cast<double>(ring.frequency) / ring.deviceRate;
    for (int i = 0; i < count; ++i) {
        size_t index = static_cast<size_t>(ring.cursor);
        double fraction = ring.cursor - static_cast<double>(index);
        int16_t a = ring.samples[index];
        int16_t b = ring.samples[(index + 1) % size];
        out[i] = static_cast<int16_t>(a + (b - a) * fraction);
        AdvanceCursor(step);
    }
}

// The silent device's cursor catches up with the time that has passed.
void TickSilentDevice() {
    auto now = std::chrono::steady_clock::now();
    if (ring.playing) {
        double seconds = std::chrono::duration<double>(now - ring.lastTick).count();
        AdvanceCursor(seconds * ring.frequency);
    }
    ring.lastTick = now;
}

}  // namespace

bool OpenRingBuffer(uint32_t bufferBytes, uint32_t sampleRate) {
    CloseRingBuffer();
    ring.samples.assign(bufferBytes / 2, 0);
    ring.cursor = 0;
    ring.frequency = sampleRate;
    ring.playing = false;
    ring.lastTick = std::chrono::steady_clock::now();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = kDeviceRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = kDeviceFrames;
    want.callback = FillAudio;
    SDL_AudioSpec have{};
    ring.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (!ring.device) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    ring.deviceRate = have.freq;
    SDL_PauseAudioDevice(ring.device, 0);
    return true;
}

void CloseRingBuffer() {
    if (ring.device) {
        SDL_CloseAudioDevice(ring.device);
        ring.device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    ring.samples.clear();
    ring.playing = false;
}

uint32_t RingPlayCursor() {
    Lock();
    if (!ring.device) TickSilentDevice();
    uint32_t cursor = static_cast<uint32_t>(ring.cursor) * 2;
    Unlock();
    return cursor;
}

void RingWrite(uint32_t offset, const void* bytes, uint32_t count) {
    size_t size = ring.samples.size() * 2;
    if (size == 0) return;
    auto* target = reinterpret_cast<uint8_t*>(ring.samples.data());
    const auto* source = static_cast<const uint8_t*>(bytes);
    Lock();
    for (uint32_t i = 0; i < count && i < size; ++i) target[(offset + i) % size] = source[i];
    Unlock();
}

void RingClear() {
    Lock();
    std::fill(ring.samples.begin(), ring.samples.end(), int16_t{0});
    Unlock();
}

void RingPlay() {
    Lock();
    if (!ring.device) TickSilentDevice();
    ring.playing = true;
    Unlock();
}

void RingStop() {
    Lock();
    if (!ring.device) TickSilentDevice();
    ring.playing = false;
    Unlock();
}

bool RingPlaying() {
    return ring.playing;
}

void RingSetFrequency(uint32_t samplesPerSecond) {
    if (samplesPerSecond == 0) return;
    Lock();
    if (!ring.device) TickSilentDevice();
    ring.frequency = samplesPerSecond;
    Unlock();
}

uint32_t RingBytes() {
    return static_cast<uint32_t>(ring.samples.size() * 2);
}
bool RingHasDevice() {
    return ring.device != 0;
}

void SoundInit() {
    OpenRingBuffer(8820, 44100);
}
void SoundShutdown() {
    CloseRingBuffer();
}

}  // namespace morvel::sdl
