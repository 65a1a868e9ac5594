// The sound output over a scripted ring buffer: pacing, wrapping writes,
// stop and resume, a lost buffer and a device that stops draining.
#include "apu/sound_output.h"

#include <gtest/gtest.h>

#include <vector>

#include "apu/apu.h"

namespace morvel::test {
namespace {

// A ring buffer whose play cursor the test moves by hand.
struct FakeRing {
    std::vector<uint8_t> bytes;
    uint32_t cursor = 0;
    uint32_t frequency = 0;
    int playing = 0;
    int lostLocks = 0;  // the next n locks report a lost buffer
    int restores = 0;
} ring;

const SoundBufferInterface kFakeRing = {
    // Filled with $AA, not silence, so that clears show.
    [](uint32_t size, uint32_t) { return ring.bytes.assign(size, 0xAA), kSoundOk; },
    [] { ring.bytes.clear(); },
    [] { return ring.playing = 1, kSoundOk; },
    [] { ring.playing = 0; },
    [] { return ++ring.restores, kSoundOk; },
    [] { return ring.cursor; },
    [](uint32_t hz) { ring.frequency = hz; },
    [](uint32_t offset, uint32_t bytes, SoundRegion& first, SoundRegion& second) {
        if (ring.lostLocks > 0) {
            --ring.lostLocks;
            return kSoundLost;
        }
        uint32_t size = static_cast<uint32_t>(ring.bytes.size());
        uint32_t firstBytes = bytes < size - offset ? bytes : size - offset;
        first = {ring.bytes.data() + offset, firstBytes};
        second =
            bytes > firstBytes ? SoundRegion{ring.bytes.data(), bytes - firstBytes} : SoundRegion{};
        return kSoundOk;
    },
    [](const SoundRegion&, const SoundRegion&) {},
};

class SoundOutput : public ::testing::Test {
   protected:
    void SetUp() override {
        ring = FakeRing{};
        soundBackend = &kFakeRing;
        ASSERT_EQ(SoundInit(), 1);
    }
    void TearDown() override {
        SoundShutdown();
        soundBackend = nullptr;
    }
    static void FillFrame(uint32_t count) {
        sampleCount = count;
        for (uint32_t i = 0; i < count; ++i) sampleBuffer[i] = static_cast<int16_t>(1000 + i);
    }
    static int16_t RingSample(uint32_t byteOffset) {
        return static_cast<int16_t>(ring.bytes[byteOffset] | (ring.bytes[byteOffset + 1] << 8));
    }
};

// The start primes 1024 samples of silence; each frame's samples go at the
// write offset, wrapping at the end of the 17640-byte ring, and set the rate
// to 60 frames a second; a device that stops draining holds a frame back only
// for a bounded time, then the frame is dropped rather than written over
// unplayed samples.
TEST_F(SoundOutput, PrimingFrameWritesAndStall) {
    EXPECT_EQ(ring.playing, 1);
    EXPECT_EQ(soundDevice->stopped, 0u);
    for (uint32_t i = 0; i < 2048; ++i) ASSERT_EQ(ring.bytes[i], 0) << i;
    EXPECT_EQ(ring.bytes[2048], 0xAA);
    EXPECT_EQ(SoundInit(), 0) << "a second start-up is refused";
    const struct {
        uint32_t offset, cursor, samples, offsetAfter;
        uint32_t probes[2][2];  // byte offset in the ring, sample found there
    } cases[] = {
        {2048, 100, 745, 2048 + 1490, {{2048, 1000}, {2048 + 1488, 1744}}},
        {17000, 17000, 745, 850, {{17638, 1319}, {0, 1320}}},
        {4000, 4010, 745, 4000, {{4000, 0xAAAA}, {4002, 0xAAAA}}},
    };
    for (const auto& c : cases) {
        soundDevice->writeOffset = c.offset;
        ring.cursor = c.cursor;
        FillFrame(c.samples);
        SoundSync();
        EXPECT_EQ(ring.frequency, c.samples * 60);
        EXPECT_EQ(soundDevice->writeOffset, c.offsetAfter) << c.offset;
        for (const auto& probe : c.probes)
            EXPECT_EQ(static_cast<uint16_t>(RingSample(probe[0])), probe[1]) << probe[0];
    }
}

TEST_F(SoundOutput, StopAndResumeLeaveSilence) {
    FillFrame(745);
    SoundSync();
    SoundStop();
    EXPECT_EQ(ring.playing, 0);
    EXPECT_EQ(soundDevice->stopped, 1u);
    EXPECT_EQ(soundDevice->writeOffset, 0u);
    SoundResume();
    EXPECT_EQ(ring.playing, 1);
    EXPECT_EQ(soundDevice->stopped, 0u);
    for (uint8_t b : ring.bytes) ASSERT_EQ(b, 0);
}

// A lost buffer is restored and the write tried once more.
TEST_F(SoundOutput, LostBufferIsRestoredOnce) {
    ring.lostLocks = 1;
    FillFrame(10);
    SoundSync();
    EXPECT_EQ(ring.restores, 1);
    EXPECT_EQ(soundDevice->writeOffset, 2048u + 20u);
    ring.lostLocks = 2;  // lost again after the restore: the write is skipped
    SoundSync();
    EXPECT_EQ(ring.restores, 2);
    EXPECT_EQ(soundDevice->writeOffset, 2048u + 20u);
}

TEST(SoundOutputWithoutDevice, EverythingIsHarmless) {
    soundBackend = nullptr;
    EXPECT_EQ(SoundInit(), 0);
    EXPECT_EQ(soundDevice, nullptr);
    sampleCount = 745;
    SoundSync();
    SoundStop();
    SoundResume();
    SoundClear();
    SoundWrite(sampleBuffer, -1);
    EXPECT_EQ(SoundFreeBytes(), 0u);
    SoundRestart();
    EXPECT_EQ(sampleCount, 0u) << "the sample stage is cleared even without a device";
}

}  // namespace
}  // namespace morvel::test
