// The sound output's rate control over five simulated minutes: a device that
// drains the ring in 10 ms blocks on a clock of its own, and a game paced by
// a display a little slower or faster than the sound, or by the sound alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "apu/apu.h"
#include "apu/sound_output.h"

namespace morvel::test {
namespace {

// The device: every block of 480 samples at 48000 Hz of its own clock plays
// 480 x frequency / 48000 samples of the ring, or finds too few (an underrun).
struct Device {
    std::vector<uint8_t> bytes;
    double now = 0, nextBlock = 0, clock = 1;  // clock: device seconds per simulated second
    double cursor = 0;                         // in samples
    size_t end = 0;                            // where the written samples end
    bool queued = false;                       // written samples wait at the cursor
    uint32_t frequency = 44100, underruns = 0;
    double Queued() const {
        double ahead = static_cast<double>(end) - cursor;
        return !queued ? 0 : ahead < 0 ? ahead + static_cast<double>(bytes.size() / 2) : ahead;
    }
    void Advance(double seconds) {
        for (now += seconds; nextBlock <= now; nextBlock += 0.01 / clock) {
            double need = 480.0 * frequency / 48000, have = Queued();
            if (queued && have < need) ++underruns, queued = false;
            cursor =
                std::fmod(cursor + std::min(need, have), static_cast<double>(bytes.size() / 2));
        }
    }
} device;

const SoundBufferInterface kDevice = {
    [](uint32_t size, uint32_t) { return device.bytes.assign(size, 0), kSoundOk; },
    [] {},
    [] { return kSoundOk; },
    [] {},
    [] { return kSoundOk; },
    [] { return static_cast<uint32_t>(device.cursor) * 2; },
    [](uint32_t hz) { device.frequency = hz; },
    [](uint32_t offset, uint32_t bytes, SoundRegion& first, SoundRegion& second) {
        uint32_t size = static_cast<uint32_t>(device.bytes.size());
        uint32_t firstBytes = std::min(bytes, size - offset);
        first = {device.bytes.data() + offset, firstBytes};
        second = {firstBytes < bytes ? device.bytes.data() : nullptr, bytes - firstBytes};
        return kSoundOk;
    },
    [](const SoundRegion& first, const SoundRegion& second) {
        device.queued = first.bytes + second.bytes < device.bytes.size();
        const uint8_t* end = second.data ? second.data + second.bytes : first.data + first.bytes;
        device.end = static_cast<size_t>(end - device.bytes.data()) / 2 % (device.bytes.size() / 2);
    },
};

// Each frame takes 3 ms to run; a display-paced game then waits for the
// display's next refresh, so it keeps the display's rate unless the sound
// holds a frame past a refresh (which then shows the frame before twice).
TEST(SoundRateControl, KeepsTheQueueNearTheLatencyWhateverPacesTheGame) {
    const struct {
        const char* name;
        double displayHz;    // 0: no display pacing, the sound alone holds the game
        double deviceClock;  // the device's clock against the game's
    } cases[] = {
        {"display 0.2 % slow", 60 * 0.998, 1.0003},
        {"display 0.2 % fast", 60 * 1.002, 0.9997},
        {"paced by the sound", 0, 1},
    };
    const SoundClock steady = soundClock;
    soundClock = {[] { return device.now; }, [](double seconds) { device.Advance(seconds); }};
    soundBackend = &kDevice;
    for (const auto& c : cases) {
        device = Device{};
        device.clock = c.deviceClock;
        SetSoundLatency(40);
        ASSERT_EQ(SoundInit(), 1);
        double vblank = 0, lowest = 1, highest = 0, worstRatio = 0;
        int frames = 0;
        for (int k = 0; device.now < 300; ++k) {
            bool settled = device.now > 60;
            sampleCount = k % 2 ? 744 : 745;
            device.Advance(0.003);
            SoundSync();
            double before = (device.Queued() - sampleCount) / (sampleCount * 60.0);
            double ratio = std::fabs(device.frequency / (sampleCount * 60.0) - 1);
            if (settled) lowest = std::min(lowest, before), highest = std::max(highest, before);
            worstRatio = std::max(worstRatio, ratio);
            frames += settled;
            sampleCount = 0;
            if (!c.displayHz) continue;
            for (vblank += 1 / c.displayHz; device.now > vblank;) vblank += 1 / c.displayHz;
            device.Advance(vblank - device.now);
        }
        SoundShutdown();
        EXPECT_EQ(device.underruns, 0u) << c.name;
        // Before each frame is written the queue holds at most the latency,
        // and at least a quarter of it: a device block and then some.
        EXPECT_GE(lowest, 0.010) << c.name;
        EXPECT_LE(highest, 0.040) << c.name;
        EXPECT_LE(worstRatio, 0.005 + 1.0 / 44640) << c.name;  // within a hertz of rounding
        // One frame per refresh, or sixty a second when the sound alone paces.
        EXPECT_NEAR(frames / 240.0, c.displayHz ? c.displayHz : 60, 0.01) << c.name;
    }
    soundClock = steady;
    soundBackend = nullptr;
}

}  // namespace
}  // namespace morvel::test
