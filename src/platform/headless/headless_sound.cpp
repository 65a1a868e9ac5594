#include "platform/headless/headless_sound.h"

#include "apu/sound_output.h"
#include "core/user_files.h"

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

void PutLittleEndian(std::vector<uint8_t>& bytes, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
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

bool WriteWavFile(const std::string& path, const std::vector<int16_t>& samples, std::string& why) {
    const uint32_t rate = 44100;
    uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + dataBytes);
    auto text = [&](const char* four) { bytes.insert(bytes.end(), four, four + 4); };
    text("RIFF");
    PutLittleEndian(bytes, 36 + dataBytes, 4);
    text("WAVE");
    text("fmt ");
    PutLittleEndian(bytes, 16, 4);        // format chunk size
    PutLittleEndian(bytes, 1, 2);         // PCM
    PutLittleEndian(bytes, 1, 2);         // mono
    PutLittleEndian(bytes, rate, 4);      // samples per second
    PutLittleEndian(bytes, rate * 2, 4);  // bytes per second
    PutLittleEndian(bytes, 2, 2);         // block alignment
    PutLittleEndian(bytes, 16, 2);        // bits per sample
    text("data");
    PutLittleEndian(bytes, dataBytes, 4);
    for (int16_t sample : samples) PutLittleEndian(bytes, static_cast<uint16_t>(sample), 2);
    // Written beside and renamed over an older file only when whole: a full
    // disk or a refused path leaves that file as it was.
    return ReplaceUserFile(path, bytes.data(), bytes.size(), why);
}

}  // namespace morvel
