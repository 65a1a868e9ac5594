#include "platform/headless/headless_sound.h"

#include <cstdio>

#include "apu/sound_output.h"

namespace morvel {

namespace {

std::vector<uint8_t> ring;
uint32_t cursor;
std::vector<int16_t> captured;

SoundResult Create(uint32_t bufferBytes, uint32_t) {
    if (bufferBytes == 0) return kSoundFailed;
    ring.assign(bufferBytes, 0);
    cursor = 0;
    return kSoundOk;
}

void Release() {
    ring.clear();
    cursor = 0;
}

SoundResult Play() {
    return kSoundOk;
}
void Stop() {}
SoundResult Restore() {
    return kSoundOk;
}
uint32_t PlayCursor() {
    return cursor;
}
void SetFrequency(uint32_t) {}

SoundResult Lock(uint32_t offset, uint32_t bytes, SoundRegion& first, SoundRegion& second) {
    uint32_t size = static_cast<uint32_t>(ring.size());
    if (size == 0 || offset >= size || bytes > size) return kSoundFailed;
    uint32_t firstBytes = bytes < size - offset ? bytes : size - offset;
    first = {ring.data() + offset, firstBytes};
    second = bytes > firstBytes ? SoundRegion{ring.data(), bytes - firstBytes} : SoundRegion{};
    return kSoundOk;
}

// Whatever was written has been played at once.
void Unlock(const SoundRegion& first, const SoundRegion& second) {
    if (ring.empty()) return;
    if (second.data)
        cursor = static_cast<uint32_t>(second.data - ring.data()) + second.bytes;
    else if (first.data)
        cursor = static_cast<uint32_t>(first.data - ring.data()) + first.bytes;
    cursor %= static_cast<uint32_t>(ring.size());
}

void Capture(const int16_t* samples, uint32_t count) {
    captured.insert(captured.end(), samples, samples + count);
}

void PutLittleEndian(std::FILE* file, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
}

}  // namespace

const SoundBufferInterface headlessSoundBuffer = {Create,     Release,      Play, Stop,  Restore,
                                                  PlayCursor, SetFrequency, Lock, Unlock};

void StartSampleCapture() {
    captured.clear();
    soundSampleTap = Capture;
}

const std::vector<int16_t>& CapturedSamples() {
    return captured;
}

bool WriteWavFile(const std::string& path, const std::vector<int16_t>& samples) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const uint32_t rate = 44100;
    uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::fputs("RIFF", file);
    PutLittleEndian(file, 36 + dataBytes, 4);
    std::fputs("WAVEfmt ", file);
    PutLittleEndian(file, 16, 4);        // format chunk size
    PutLittleEndian(file, 1, 2);         // PCM
    PutLittleEndian(file, 1, 2);         // mono
    PutLittleEndian(file, rate, 4);      // samples per second
    PutLittleEndian(file, rate * 2, 4);  // bytes per second
    PutLittleEndian(file, 2, 2);         // block alignment
    PutLittleEndian(file, 16, 2);        // bits per sample
    std::fputs("data", file);
    PutLittleEndian(file, dataBytes, 4);
    for (int16_t sample : samples) PutLittleEndian(file, static_cast<uint16_t>(sample), 2);
    bool ok = std::ferror(file) == 0;
    return std::fclose(file) == 0 && ok;
}

}  // namespace morvel
