#include "platform/sdl/sdl_sound.h"

#include <SDL.h>

#include <chrono>
#include <vector>

namespace morvel::sdl {

namespace {

// The ring and its cursor, shared with SDL's audio thread: the main thread
// holds the device lock whenever it touches them.
struct Ring {
    std::vector<uint8_t> bytes;  // 16-bit little-endian mono samples
    double cursor = 0;           // in samples, fractional between two samples
    uint32_t frequency = 44100;  // samples of the ring played per second
    bool playing = false;
    // Where the last write ended (in samples) while written samples wait to be
    // played; once they are all played, or after a clear, nothing is queued
    // and the cursor holds.
    size_t dataEnd = 0;
    bool queued = false;
    uint64_t underruns = 0;  // times the written samples ran out while playing
    int16_t lastOut = 0;     // the last sample played, faded out while none are queued
    SDL_AudioDeviceID device = 0;
    int deviceRate = 48000;
    // The silent device: the cursor follows the clock.
    std::chrono::steady_clock::time_point lastTick;
};

Ring ring;

// 480 frames at 48000 Hz are exactly 10 ms, which keeps drivers that wait a
// whole number of milliseconds per buffer on time.
constexpr int kDeviceRate = 48000;
constexpr int kDeviceFrames = 480;

size_t SampleCount() {
    return ring.bytes.size() / 2;
}

int16_t SampleAt(size_t index) {
    const uint8_t* p = &ring.bytes[index * 2];
    return static_cast<int16_t>(p[0] | (p[1] << 8));
}

// Written samples ahead of the cursor, fractional.
double Queued() {
    if (!ring.queued) return 0;
    double ahead = static_cast<double>(ring.dataEnd) - ring.cursor;
    return ahead < 0 ? ahead + static_cast<double>(SampleCount()) : ahead;
}

// The written samples ran out: counted once, then the cursor waits for more.
void RunOut() {
    if (ring.queued) ++ring.underruns;
    ring.queued = false;
}

void AdvanceCursor(double samples) {
    double size = static_cast<double>(SampleCount());
    if (size == 0) return;
    ring.cursor += samples;
    while (ring.cursor >= size) ring.cursor -= size;
}

// The audio thread: plays the ring from the cursor, interpolating between
// neighbouring samples where the two rates differ.
void FillAudio(void*, Uint8* stream, int length) {
    auto* out = reinterpret_cast<int16_t*>(stream);
    int count = length / 2;
    size_t size = SampleCount();
    if (!ring.playing || size == 0) {
        SDL_memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    double step = static_cast<double>(ring.frequency) / ring.deviceRate;
    for (int i = 0; i < count; ++i) {
        double queued = Queued();
        if (queued <= 1) {
            // Nothing (or less than the pair interpolated) to play: the last
            // sample fades out over a few milliseconds instead of clicking.
            RunOut();
            ring.lastOut = static_cast<int16_t>(ring.lastOut * 31 / 32);
            out[i] = ring.lastOut;
            continue;
        }
        size_t index = static_cast<size_t>(ring.cursor);
        double fraction = ring.cursor - static_cast<double>(index);
        int a = SampleAt(index);
        int b = SampleAt((index + 1) % size);
        out[i] = ring.lastOut = static_cast<int16_t>(a + (b - a) * fraction);
        AdvanceCursor(step < queued ? step : queued);
    }
}

// The silent device's cursor catches up with the time that has passed.
void TickSilentDevice() {
    auto now = std::chrono::steady_clock::now();
    if (ring.playing) {
        double seconds = std::chrono::duration<double>(now - ring.lastTick).count();
        double samples = seconds * ring.frequency;
        double queued = Queued();
        if (samples > queued) RunOut();
        AdvanceCursor(samples < queued ? samples : queued);
    }
    ring.lastTick = now;
}

void Lock() {
    if (ring.device)
        SDL_LockAudioDevice(ring.device);
    else
        TickSilentDevice();
}

void Unlock() {
    if (ring.device) SDL_UnlockAudioDevice(ring.device);
}

void OpenDevice() {
    // SDL would turn SIGINT and SIGTERM into quit events that nobody reads here;
    // the program ends on them as any other does.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    SDL_AudioSpec want{};
    want.freq = kDeviceRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = kDeviceFrames;
    want.callback = FillAudio;
    SDL_AudioSpec have{};
    // SDL's "dummy" driver plays nothing and paces its callback with sleeps
    // that run late, several per cent slower than the clock: the silent
    // device, which follows the clock, does its job better.
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver && SDL_strcmp(driver, "dummy") == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    ring.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (!ring.device) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    ring.deviceRate = have.freq > 0 ? have.freq : kDeviceRate;
    SDL_PauseAudioDevice(ring.device, 0);
}

void Release() {
    if (ring.device) {
        SDL_CloseAudioDevice(ring.device);
        ring.device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    ring.bytes.clear();
    ring.playing = false;
    ring.queued = false;
}

// Never fails: without an audio device the silent device stands in.
SoundResult Create(uint32_t bufferBytes, uint32_t sampleRate) {
    Release();
    ring.bytes.assign(bufferBytes & ~1u, 0);
    ring.cursor = 0;
    ring.frequency = sampleRate;
    ring.playing = false;
    ring.queued = false;
    ring.lastOut = 0;
    ring.lastTick = std::chrono::steady_clock::now();
    OpenDevice();
    return kSoundOk;
}

SoundResult Play() {
    Lock();
    ring.playing = true;
    Unlock();
    return kSoundOk;
}

void Stop() {
    Lock();
    ring.playing = false;
    ring.lastOut = 0;  // silence follows: no fade from the old sample at the restart
    Unlock();
}

SoundResult Restore() {
    return kSoundOk;
}

uint32_t PlayCursor() {
    Lock();
    uint32_t cursor = static_cast<uint32_t>(ring.cursor) * 2;
    Unlock();
    return cursor;
}

void SetFrequency(uint32_t samplesPerSecond) {
    if (samplesPerSecond == 0) return;
    Lock();
    ring.frequency = samplesPerSecond;
    Unlock();
}

// The device stays locked from here to UnlockRegions, so the audio thread
// never reads a half-written span.
SoundResult LockRegions(uint32_t offset, uint32_t bytes, SoundRegion& first, SoundRegion& second) {
    uint32_t size = static_cast<uint32_t>(ring.bytes.size());
    if (size == 0 || offset >= size || bytes > size) return kSoundFailed;
    Lock();
    uint32_t firstBytes = bytes < size - offset ? bytes : size - offset;
    first = SoundRegion{ring.bytes.data() + offset, firstBytes};
    second = SoundRegion{firstBytes < bytes ? ring.bytes.data() : nullptr, bytes - firstBytes};
    return kSoundOk;
}

// A write marks where the queued samples end; a write of the whole ring is a
// clear, after which nothing is queued.
void UnlockRegions(const SoundRegion& first, const SoundRegion& second) {
    size_t written = first.bytes + (second.data ? second.bytes : 0);
    if (written >= ring.bytes.size()) {
        ring.queued = false;
    } else if (written > 0) {
        const uint8_t* end = second.data ? second.data + second.bytes : first.data + first.bytes;
        ring.dataEnd = (static_cast<size_t>(end - ring.bytes.data()) / 2) % SampleCount();
        ring.queued = true;
    }
    Unlock();
}

}  // namespace

const SoundBufferInterface sdlSoundBuffer = {
    Create, Release, Play, Stop, Restore, PlayCursor, SetFrequency, LockRegions, UnlockRegions,
};

bool SoundDeviceOpen() {
    return ring.device != 0;
}

uint64_t SoundUnderruns() {
    Lock();
    uint64_t count = ring.underruns;
    Unlock();
    return count;
}

}  // namespace morvel::sdl
