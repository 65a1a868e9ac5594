// The sound output over the host's looping buffer. Besides playing the
// samples it holds the machine at the console's speed: SoundSync waits until
// the device has played enough of the ring to take the next frame.
#include "apu/sound_output.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <new>
#include <thread>

#include "apu/apu.h"

namespace morvel {

const SoundBufferInterface* soundBackend;
SoundDevice* soundDevice;
SampleTap soundSampleTap;
int32_t soundLatencyMs = kSoundLatencyDefaultMs;
uint32_t soundSpeedUp = 1;

namespace {

constexpr uint32_t kSampleRate = 44100;
// Twice the longest latency: room for it and a frame beyond, whatever the
// device holds back.
constexpr uint32_t kBufferBytes = (kSampleRate * 2 * kSoundLatencyMaxMs / 1000) * 2;  // 17640
constexpr uint32_t kPrimingBytes = 2048;  // 1024 samples of silence

const SoundBufferInterface* Buffer() {
    return soundDevice ? soundDevice->buffer : nullptr;
}

// Runs a buffer operation; a lost buffer is restored and the operation tried once more.
template <typename Operation>
SoundResult WithRestore(Operation operation) {
    SoundResult result = operation();
    if (result == kSoundLost && Buffer()->restore() == kSoundOk) result = operation();
    return result;
}

void StartPlaying() {
    if (WithRestore([] { return Buffer()->play(); }) == kSoundOk) soundDevice->stopped = 0;
}

// Locks `bytes` at the write position; returns false when nothing can be written.
bool LockAt(uint32_t offset, uint32_t bytes) {
    SoundDevice& d = *soundDevice;
    d.first = {};
    d.second = {};
    SoundResult result =
        WithRestore([&] { return d.buffer->lock(offset, bytes, d.first, d.second); });
    if (result != kSoundOk) return false;
    d.locked = 1;
    return true;
}

void Unlock() {
    SoundDevice& d = *soundDevice;
    d.buffer->unlock(d.first, d.second);
    d.locked = 0;
}

double SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

double LatencySeconds() {
    return soundLatencyMs / 1000.0;
}

}  // namespace

SoundClock soundClock = {SteadySeconds, SleepSeconds};

void SetSoundLatency(int32_t milliseconds) {
    bool valid = milliseconds >= kSoundLatencyMinMs && milliseconds <= kSoundLatencyMaxMs;
    soundLatencyMs = valid ? milliseconds : kSoundLatencyDefaultMs;
    if (soundDevice) RateControlSetTarget(soundDevice->rate, LatencySeconds());
}

int SoundInit() {
    if (soundDevice) return 0;
    if (!soundBackend) return 0;
    soundDevice = new (std::nothrow) SoundDevice{};
    if (!soundDevice) return 0;
    soundDevice->sampleRate = kSampleRate;
    soundDevice->bufferBytes = kBufferBytes;
    if (soundBackend->create(kBufferBytes, kSampleRate) != kSoundOk) {
        delete soundDevice;
        soundDevice = nullptr;
        return 0;
    }
    soundDevice->buffer = soundBackend;
    soundDevice->stopped = 1;
    soundDevice->locked = 0;
    RateControlStart(soundDevice->rate, LatencySeconds());
    samplesDivider = 40;
    SoundRestart();
    return 1;
}

void SoundShutdown() {
    if (!soundDevice) return;
    if (soundDevice->buffer) {
        if (!soundDevice->stopped) soundDevice->buffer->stop();
        soundDevice->buffer->release();
    }
    delete soundDevice;
    soundDevice = nullptr;
}

void SoundRestart() {
    std::memset(&sampleStage, 0, sizeof sampleStage);
    if (!Buffer()) return;
    if (soundDevice->stopped) StartPlaying();
    // The first write waits for a little room, without sleeping and bounded.
    auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSoundWaitLimitMs);
    while (SoundFreeBytes() <= kPrimingBytes) {
        if (std::chrono::steady_clock::now() >= giveUp) return;
    }
    SoundWrite(sampleStage.sampleBuffer, kPrimingBytes);
}

// The frame's samples played soundSpeedUp times faster: each run of that
// many averaged into one (a leftover shorter run is dropped).
uint32_t SpedUpSamples(const int16_t* samples, uint32_t count, int16_t* out) {
    const uint32_t factor = soundSpeedUp;
    uint32_t produced = 0;
    for (uint32_t i = 0; i + factor <= count; i += factor) {
        int32_t sum = 0;
        for (uint32_t k = 0; k < factor; ++k) sum += samples[i + k];
        out[produced++] = static_cast<int16_t>(sum / static_cast<int32_t>(factor));
    }
    return produced;
}

void SoundSync() {
    uint32_t count = sampleCount < kSampleBufferLength ? sampleCount : kSampleBufferLength;
    if (soundSampleTap) soundSampleTap(sampleBuffer, count);
    if (!Buffer()) return;
    const int16_t* samples = sampleBuffer;
    static int16_t spedUp[kSampleBufferLength];
    if (soundSpeedUp > 1) {
        count = SpedUpSamples(sampleBuffer, count, spedUp);
        samples = spedUp;
    }
    SoundDevice& d = *soundDevice;
    // The sound queued ahead of the device, in seconds at the stream's rate.
    auto queuedSeconds = [&d](uint32_t freeBytes) {
        return (d.bufferBytes - freeBytes) / (2.0 * d.sampleRate);
    };
    uint32_t bytes = 2 * count;
    uint32_t freeBytes = SoundFreeBytes();
    bool waited = false;
    const double giveUp = soundClock.seconds() + kSoundWaitLimitMs / 1000.0;
    for (;;) {
        // How long the device needs to play what stands in the way: the
        // excess over the ceiling, or the samples that do not fit yet. The
        // game sleeps that long at once (at least a millisecond, as the
        // device moves in blocks), not a millisecond at a time.
        const double excess = std::max(queuedSeconds(freeBytes) - RateControlCeiling(d.rate),
                                       (bytes + 1.0 - freeBytes) / (2.0 * d.sampleRate));
        if (excess <= 0) break;
        const double now = soundClock.seconds();
        if (now >= giveUp) return;  // the device stalled: drop the frame
        soundClock.sleep(std::clamp(excess, 0.001, giveUp - now));
        waited = true;
        freeBytes = SoundFreeBytes();
    }
    if (soundSpeedUp > 1) {
        // Played faster at the rate it had: the rate control waits for the
        // console's own pace again.
        SoundWrite(samples, static_cast<int32_t>(bytes));
        return;
    }
    double ratio =
        RateControlUpdate(d.rate, soundClock.seconds(), queuedSeconds(freeBytes), waited);
    // The ring plays sixty frames' worth of samples per second, whatever their
    // count, nudged by the rate control; a frame without samples leaves the
    // rate alone rather than stopping it.
    if (count > 0) d.buffer->setFrequency(static_cast<uint32_t>(std::lround(count * 60 * ratio)));
    SoundWrite(samples, static_cast<int32_t>(bytes));
}

uint32_t SoundFreeBytes() {
    if (!Buffer()) return 0;
    const SoundDevice& d = *soundDevice;
    uint32_t play = d.buffer->playCursor() % d.bufferBytes;
    if (play > d.writeOffset) return play - d.writeOffset;
    return d.bufferBytes - d.writeOffset + play;
}

void SoundWrite(const void* samples, int32_t byteCount) {
    if (!Buffer()) return;
    SoundDevice& d = *soundDevice;
    uint32_t bytes = byteCount < 0 ? SoundFreeBytes() : static_cast<uint32_t>(byteCount);
    if (bytes > d.bufferBytes) bytes = d.bufferBytes;
    if (bytes == 0 || !LockAt(d.writeOffset, bytes)) return;
    const uint8_t* source = static_cast<const uint8_t*>(samples);
    uint32_t firstBytes = d.first.bytes < bytes ? d.first.bytes : bytes;
    uint32_t secondBytes =
        d.second.data ? (d.second.bytes < bytes - firstBytes ? d.second.bytes : bytes - firstBytes)
                      : 0;
    if (firstBytes) std::memcpy(d.first.data, source, firstBytes);
    if (secondBytes) std::memcpy(d.second.data, source + firstBytes, secondBytes);
    Unlock();
    d.writeOffset = (d.writeOffset + firstBytes + secondBytes) % d.bufferBytes;
}

void SoundClear() {
    if (!Buffer()) return;
    SoundDevice& d = *soundDevice;
    if (!LockAt(0, d.bufferBytes)) return;
    if (d.first.data) std::memset(d.first.data, 0, d.first.bytes);
    if (d.second.data) std::memset(d.second.data, 0, d.second.bytes);
    Unlock();
    // Whether the device plays on through the silence or holds its cursor
    // where the samples ended, the next frame is heard next and the queue
    // starts empty.
    d.writeOffset = (d.buffer->playCursor() % d.bufferBytes) & ~1u;
    RateControlRestart(d.rate);
}

void SoundStop() {
    SoundClear();
    if (Buffer() && !soundDevice->stopped) {
        soundDevice->stopped = 1;
        soundDevice->buffer->stop();
        SoundClear();
    }
}

void SoundResume() {
    SoundClear();
    if (Buffer() && soundDevice->stopped) StartPlaying();
}

}  // namespace morvel
