// ApuStep takes quiet stretches of cycles as runs; whatever the channels do,
// the state and the samples it leaves must be those of the APU's cycle run
// one cycle at a time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

#include "apu_test_support.h"
#include "core/memory_map.h"

namespace morvel::test {
namespace {

// The mix and the making of a sample, cycle by cycle, written out from the
// description of the mixer rather than taken from it.
void ReferenceCycles(uint32_t cycles) {
    const uint32_t divider = samplesDivider ? samplesDivider : 40;
    for (uint32_t i = 0; i < cycles; ++i) {
        FrameCounterTick();
        ApuClockTimers();
        if (!soundMuted) {
            uint32_t pulses = PulseOutput(apu.pulse1) + PulseOutput(apu.pulse2);
            uint32_t tnd =
                3 * (apu.tri.output & 15u) + 2 * NoiseOutput() + (apu.dmc.levelOut & 0x7Fu);
            sampleStage.sampleAccumulator += pulseMixTable[pulses] + tndMixTable[tnd];
        }
        if (++sampleStage.sampleCycleCount >= divider) {
            float average = sampleStage.sampleAccumulator / static_cast<float>(divider);
            float scaled =
                static_cast<float>(static_cast<double>(average) * volumeFactor) * 32767.0f;
            int32_t value = std::isnan(scaled) ? 0 : static_cast<int32_t>(scaled);
            if (value > 32000) value = 32000;
            if (value < -32000) value = -32000;
            if (sampleStage.sampleCount < kSampleBufferLength)
                sampleStage.sampleBuffer[sampleStage.sampleCount++] = static_cast<int16_t>(value);
            sampleStage.sampleAccumulator = 0.0f;
            sampleStage.sampleCycleCount = 0;
        }
    }
}

// Everything ApuStep may change.
struct Snapshot {
    ApuState apuState;
    SampleStage stage;
    uint32_t irqLine;

    static Snapshot Take() { return {apu, sampleStage, cpu.irqLine}; }
    void Restore() const {
        apu = apuState;
        sampleStage = stage;
        cpu.irqLine = irqLine;
    }
    bool operator==(const Snapshot& other) const {
        return std::memcmp(&apuState, &other.apuState, sizeof apuState) == 0 &&
               std::memcmp(&stage, &other.stage, sizeof stage) == 0 && irqLine == other.irqLine;
    }
};

struct Scenario {
    const char* name;
    int writeEvery;  // a random register write about once per this many steps
    uint32_t divider;
    uint32_t muted;
    int32_t volume;
    const char* setup;  // register writes before the run: $40xx offset and value, in hex
};

// Pulses at constant volume, the triangle and the noise playing, the DMC
// looping a sample: most cycles carry a timer expiry somewhere.
constexpr Scenario kScenarios[] = {
    {"silent channels at period 0", 0, 40, 0, 0, "1500 1740"},
    {"tones", 0, 40, 0, 0, "151F 00BF 0240 0301 047A 0608 0700 08FF"},
    {"period-0 pulse that is heard", 0, 40, 0, 0, "150F 009F 0100 0200 0308 0C3F 0E00 0F08"},
    {"looping DMC", 0, 40, 0, 0, "104F 1200 1302 1510 1140"},
    {"random writes", 3, 40, 0, 0, "151F"},
    {"random writes, five steps", 4, 40, 0, 3, "151F 1780"},
    {"random writes, other divider", 3, 37, 0, -5, "151F"},
    {"muted", 3, 40, 1, 0, "151F"},
};

TEST(ApuStep, RunsMatchTheCycleByCycleApu) {
    constexpr int32_t kWritable[] = {0x4000, 0x4001, 0x4002, 0x4003, 0x4004, 0x4005, 0x4006,
                                     0x4007, 0x4008, 0x400A, 0x400B, 0x400C, 0x400E, 0x400F,
                                     0x4010, 0x4011, 0x4012, 0x4013, 0x4015, 0x4017};
    uint32_t seed = 0;
    for (const Scenario& scenario : kScenarios) {
        FreshApu();
        std::mt19937 random(++seed);
        for (uint32_t address = 0x8000; address < 0x10000; ++address)
            CpuWrite(address, static_cast<uint8_t>(random()));
        samplesDivider = scenario.divider;
        soundMuted = scenario.muted;
        SetVolumeDb(scenario.volume);
        for (const char* at = scenario.setup; *at;) {
            char* end = nullptr;
            const unsigned long write = std::strtoul(at, &end, 16);
            Write(static_cast<int32_t>(0x4000 + (write >> 8)), static_cast<uint8_t>(write));
            at = end;
        }
        Snapshot state = Snapshot::Take();
        long cycles = 0;
        for (int step = 0; step < 6000; ++step) {
            state.Restore();
            if (scenario.writeEvery && random() % scenario.writeEvery == 0) {
                Write(kWritable[random() % std::size(kWritable)], static_cast<uint8_t>(random()));
                if (random() % 8 == 0) Status();
                state = Snapshot::Take();
            }
            // Mostly instruction-sized steps, now and then a long one.
            uint32_t chunk = random() % 50 == 0 ? random() % 2000 : 1 + random() % 8;
            ApuStep(static_cast<int32_t>(chunk));
            const Snapshot stepped = Snapshot::Take();
            state.Restore();
            ReferenceCycles(chunk);
            const Snapshot reference = Snapshot::Take();
            ASSERT_TRUE(stepped == reference)
                << scenario.name << ": differs after " << cycles << " + " << chunk << " cycles";
            cycles += chunk;
            state = stepped;
            if (sampleStage.sampleCount > 900) {
                sampleStage.sampleCount = 0;
                state = Snapshot::Take();
            }
        }
    }
}

}  // namespace
}  // namespace morvel::test
