// The APU where the outside cartridges and the tone cartridge do not reach:
// envelope, sweep, long noise sequence, DMC fetches and level, mixer levels
// and clamp, volume steps, and ApuRunTo's runs of quiet cycles against the APU
// run cycle by cycle.
#include "apu/apu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "apu/volume_steps.h"
#include "core/cpu.h"
#include "core/memory_map.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

// A powered-on APU over flat memory, mixer tables built, interrupt line released.
void FreshApu() {
    InstallFlatMemory();
    BuildMixerTables();
    SetVolumeDb(0);
    soundMuted = 0;
    samplesDivider = 40;
    sampleStage = {};
    cpu.irqLine = 1;
    ApuPowerOn();
}

constexpr auto Write = ApuWriteRegister;

// Pulse 1's level n quarter frames after a $4003 write: the start sets the
// decay to 15, each step lasts (divider period + 1) quarter frames, at 0 it
// stays or with the loop bit starts again at 15; the constant bit plays bits 3-0.
TEST(Envelope, DecayLoopAndConstantVolume) {
    const struct {
        uint32_t control, quarters, level;
    } cases[] = {{0x00, 1, 15}, {0x00, 2, 14}, {0x00, 16, 0}, {0x00, 17, 0}, {0x20, 17, 15},
                 {0x03, 5, 14}, {0x03, 8, 14}, {0x03, 9, 13}, {0x1A, 3, 10}, {0x3A, 40, 10}};
    for (const auto& c : cases) {
        FreshApu();
        Write(0x4015, 0x01);
        Write(0x4000, static_cast<uint8_t>(c.control));
        Write(0x4002, 0x00);
        Write(0x4003, 0x09);  // period $100, length 254
        apu.pulse1.output = 1;
        for (uint32_t i = 0; i < c.quarters; ++i) QuarterFrameClock();
        EXPECT_EQ(PulseOutput(apu.pulse1), c.level) << c.control << " after " << c.quarters;
    }
}

// One half-frame clock with the sweep divider expiring.
TEST(Sweep, TargetsAndMuting) {
    const struct {
        const char* what;
        uint32_t pulse, period, sweep, periodAfter;
        bool muted;
    } cases[] = {
        {"adds period >> shift", 1, 0x100, 0x81, 0x180, false},
        {"pulse 1 subtracts", 1, 0x100, 0x89, 0x080, false},
        {"pulse 2 subtracts one more", 2, 0x100, 0x89, 0x07F, false},
        {"period below 8 mutes", 1, 0x007, 0x81, 0x007, true},
        {"target above $7FF mutes", 1, 0x600, 0x81, 0x600, true},
        {"target $7FF still plays", 1, 0x555, 0x81, 0x7FF, false},
        {"disabled sweep never moves", 2, 0x100, 0x01, 0x100, false},
    };
    for (const auto& c : cases) {
        FreshApu();
        const int32_t base = c.pulse == 1 ? 0x4000 : 0x4004;
        PulseChannel& pulse = c.pulse == 1 ? apu.pulse1 : apu.pulse2;
        Write(0x4015, 0x03);
        Write(base, 0x1F);
        Write(base + 2, static_cast<uint8_t>(c.period));
        Write(base + 3, static_cast<uint8_t>(0x08 | (c.period >> 8)));
        Write(base + 1, static_cast<uint8_t>(c.sweep));  // reloads the divider (period 0) at once
        pulse.output = 1;
        HalfFrameClock();
        EXPECT_EQ(pulse.period, c.periodAfter) << c.what;
        EXPECT_EQ(PulseOutput(pulse) == 0, c.muted) << c.what;
    }
}

// A length load or halt change written on the cycle a half frame clocks the
// counters (the CPU's cycles: the APU's part, then the access). Pulse 1 starts
// at 10 (or 0) and is loaded with 20; pulse 2 (10, not halted) shows the clock.
TEST(LengthCounter, WritesOnTheCycleOfTheHalfFrame) {
    const struct {
        const char* what;
        uint8_t halt;
        bool loaded;
        int32_t address;
        uint8_t value;
        bool late;
        uint32_t length;
    } cases[] = {
        {"a load is lost while the clock counts down", 0x00, true, 0x4003, 0x10, false, 9},
        {"a load one cycle later takes", 0x00, true, 0x4003, 0x10, true, 20},
        {"a load takes when the counter was 0", 0x00, false, 0x4003, 0x10, false, 20},
        {"a halt set then comes after the clock", 0x00, true, 0x4000, 0x20, false, 9},
        {"a halt cleared then comes after the clock", 0x20, true, 0x4000, 0x00, false, 10},
    };
    for (const auto& c : cases) {
        FreshApu();
        Write(0x4015, 0x03);
        Write(0x4000, c.halt);
        if (c.loaded) Write(0x4003, 0x00);
        Write(0x4007, 0x00);
        for (int i = 0; i < 40000 && apu.pulse2.length == 10; ++i) {
            ++cpuCycle.cycles;
            ApuStep(1);
        }
        if (c.late) {
            ++cpuCycle.cycles;
            ApuStep(1);
        }
        Write(c.address, c.value);
        EXPECT_EQ(apu.pulse1.length, c.length) << c.what;
    }
}

// The noise register repeats after 32767 shifts in the long mode and, from
// its power-on value, after 93 in the short mode.
TEST(Noise, SequenceLengths) {
    for (const auto& [mode, length] : {std::pair{0x00u, 32767}, std::pair{0x80u, 93}}) {
        FreshApu();
        apu.noise.mode = mode;
        const uint16_t start = apu.noise.shift;
        int shifts = 0;
        do {
            apu.noise.timer = 0;
            ApuClockTimers();
        } while (++shifts < 40000 && apu.noise.shift != start);
        EXPECT_EQ(shifts, length) << "mode " << mode;
    }
}

// Fetches of a sample with every byte taken at once by the output unit: bytes
// left, next address and the interrupt at the end; the address wraps from
// $FFFF to $8000.
TEST(Dmc, FetchesLengthLoopAndAddressWrap) {
    const struct {
        const char* what;
        uint8_t control, start, length;
        uint32_t fetches, remaining, address, interrupt;
    } cases[] = {
        {"the first byte", 0x00, 0x01, 0x01, 1, 16, 0xC041, 0},
        {"the end raises the interrupt", 0x80, 0x00, 0x01, 17, 0, 0xC011, 1},
        {"no interrupt with bit 7 clear", 0x00, 0x00, 0x01, 17, 0, 0xC011, 0},
        {"a loop starts over", 0xC0, 0x00, 0x01, 17, 17, 0xC000, 0},
        {"wrap", 0x00, 0xFF, 0x05, 64, 17, 0x8000, 0},
        {"after the wrap", 0x00, 0xFF, 0x05, 65, 16, 0x8001, 0},
    };
    for (const auto& c : cases) {
        FreshApu();
        Write(0x4010, c.control);
        Write(0x4012, c.start);
        Write(0x4013, c.length);
        Write(0x4015, 0x10);
        for (uint32_t i = 0; i < c.fetches; ++i) {
            apuCycle.dmcBufferFull = 0;
            DmcDmaDeliver(0);
        }
        EXPECT_EQ(apu.dmc.remaining, c.remaining) << c.what;
        EXPECT_EQ(apu.dmc.address, c.address) << c.what;
        EXPECT_EQ(cpu.irqLine ^ 1, c.interrupt) << c.what;
        EXPECT_EQ(ApuReadRegister(0x4015) >> 7, c.interrupt) << c.what;
    }
}

// Delta bits move the level by 2 within 0-127, least significant bit first,
// once the silent output cycle running at the start has ended; a zero byte
// is eight steps down, not silence.
TEST(Dmc, OutputLevelSteps) {
    const struct {
        uint8_t level, byte, after;
    } cases[] = {{0x40, 0xFF, 0x50}, {0x7E, 0xFF, 0x7E}, {0x7D, 0xFF, 0x7F},
                 {0x03, 0xF0, 0x09}, {0x40, 0x00, 0x30}, {0x40, 0x0F, 0x40}};
    for (const auto& c : cases) {
        FreshApu();
        flatMemory[0xC000] = c.byte;
        Write(0x4010, 0x0F);  // 54 cycles per step
        Write(0x4011, c.level);
        Write(0x4012, 0x00);
        Write(0x4013, 0x00);
        Write(0x4015, 0x10);
        for (int i = 0; i < 17 * 54; ++i) {
            ApuClockTimers();
            if (DmcDmaWanted()) DmcDmaDeliver(CpuRead(DmcDmaAddress()));
        }
        EXPECT_EQ(apu.dmc.levelOut, c.after) << int(c.level) << " " << int(c.byte);
    }
}

// The first sample (40 cycles) for channel levels and volumes: 32767 times the
// console's mixer curves 95.52 / (8128 / pulses + 100) + 163.67 / (24329 /
// (3 triangle + 2 noise + DMC) + 100), times the volume's gain, truncated and
// clamped to +-32000, also for a sum already below zero.
TEST(Mixer, LevelsVolumeAndClamp) {
    const struct {
        uint32_t pulse1, pulse2, triangle, noise, dmc;
        int32_t db;
        float accumulated;  // the mix already summed into the sample
        int expected;
    } cases[] = {
        {0, 0, 0, 0, 0, 0, 0, 0},           {15, 0, 0, 0, 0, 0, 0, 4876},
        {15, 15, 0, 0, 0, 0, 0, 8437},      {0, 0, 15, 0, 0, 0, 0, 8371},
        {0, 0, 0, 15, 0, 0, 0, 5887},       {0, 0, 0, 0, 127, 0, 0, 18393},
        {0, 0, 0, 0, 127, -6, 0, 9218},     {15, 15, 15, 15, 127, 0, 0, 32000},
        {15, 15, 15, 15, 127, 8, 0, 32000}, {15, 15, 15, 15, 127, -6, 0, 16422},
        {15, 0, 0, 0, 0, -20, 0, 487},      {0, 0, 0, 0, 0, 0, -1e6f, -32000},
    };
    for (const auto& c : cases) {
        FreshApu();
        SetVolumeDb(c.db);
        // Pulses and noise at constant volume, timers that do not expire in 40 cycles.
        Write(0x4015, 0x0F);
        for (PulseChannel* pulse : {&apu.pulse1, &apu.pulse2}) {
            pulse->env.constant = 0x10;
            pulse->env.volume = pulse == &apu.pulse1 ? c.pulse1 : c.pulse2;
            pulse->length = 100;
            pulse->output = 1;
            pulse->period = pulse->timer = 0x7FF;
        }
        apu.tri.output = static_cast<uint8_t>(c.triangle);
        apu.noise.env.constant = 0x10;
        apu.noise.env.volume = c.noise;
        apu.noise.length = 100;
        apu.noise.shift = 0x0002;
        apu.noise.timer = 4000;
        apu.dmc.levelOut = static_cast<uint8_t>(c.dmc);
        apu.dmc.rate = 0;
        sampleStage.sampleAccumulator = c.accumulated;
        ApuStep(40);
        ASSERT_EQ(sampleCount, 1u);
        EXPECT_NEAR(sampleBuffer[0], c.expected, 2)
            << c.pulse1 << " " << c.pulse2 << " " << c.triangle << " " << c.noise << " " << c.dmc
            << " at " << c.db << " dB";
    }
    ApuStep(2000 * 40);
    EXPECT_EQ(sampleCount, kSampleBufferLength) << "samples past the buffer's end are dropped";
    SetVolumeDb(0);
}

// The volume slider runs from -36 dB (0 %) to +8 dB (100 %) in steps of one
// decibel, a twentieth of a tenfold amplitude.
TEST(Volume, SliderPercentAndDecibels) {
    BuildVolumeSteps();
    const struct {
        int32_t position, db;
        const char* percent;
    } cases[] = {{0, -36, "0%"}, {1, -35, "2%"},  {30, -6, "68%"}, {36, 0, "81%"},
                 {43, 7, "97%"}, {44, 8, "100%"}, {-5, -36, "0%"}, {90, 8, "100%"}};
    for (const auto& c : cases) {
        char text[16];
        FormatVolumePercent(c.position, text, sizeof text);
        EXPECT_EQ(std::string(text), c.percent) << c.position;
        SetVolumeFromSlider(c.position);
        EXPECT_EQ(volumeDb, c.db) << c.position;
        EXPECT_NEAR(volumeFactor, std::pow(10.0, c.db / 20.0), 1e-6) << c.position;
        EXPECT_EQ(VolumeSliderPosition(), std::clamp(c.position, 0, 44));
    }
    SetVolumeDb(0);
}

// The mix and the making of a sample, cycle by cycle, written out from the
// description of the mixer rather than taken from it. Before `event` the
// interrupt line and the DMC's want of a fetch must hold.
void ReferenceCycles(uint32_t cycles, uint64_t event) {
    const uint32_t divider = samplesDivider ? samplesDivider : 40;
    const uint32_t line = cpu.irqLine;
    const bool wanted = DmcDmaWanted();
    for (uint32_t i = 0; i < cycles; ++i) {
        ++cpuCycle.cycles;
        FrameCounterTick();
        ApuClockTimers();
        if (!soundMuted) {
            uint32_t pulses = PulseOutput(apu.pulse1) + PulseOutput(apu.pulse2);
            uint32_t tnd =
                3 * (apu.tri.output & 15u) + 2 * NoiseOutput() + (apu.dmc.levelOut & 0x7Fu);
            sampleStage.sampleAccumulator += pulseMixTable[pulses] + tndMixTable[tnd];
        }
        if (++sampleStage.sampleCycleCount >= divider) {
            const float average = sampleStage.sampleAccumulator / static_cast<float>(divider);
            const float scaled =
                static_cast<float>(static_cast<double>(average) * volumeFactor) * 32767.0f;
            const int32_t value = std::isnan(scaled) ? 0 : static_cast<int32_t>(scaled);
            if (sampleStage.sampleCount < kSampleBufferLength)
                sampleBuffer[sampleStage.sampleCount++] =
                    static_cast<int16_t>(std::clamp(value, -32000, 32000));
            sampleStage.sampleAccumulator = 0.0f;
            sampleStage.sampleCycleCount = 0;
        }
        const bool held = cpu.irqLine == line && DmcDmaWanted() == wanted;
        ASSERT_TRUE(held || cpuCycle.cycles >= event) << "the next event came too late";
    }
}

struct Snapshot {  // everything ApuRunTo may change
    ApuState apuState;
    ApuCycleState cycleState;
    SampleStage stage;
    uint32_t irqLine;
    uint64_t cycle;

    static Snapshot Take() { return {apu, apuCycle, sampleStage, cpu.irqLine, cpuCycle.cycles}; }
    void Restore() const {
        apu = apuState;
        apuCycle = cycleState;
        sampleStage = stage;
        cpu.irqLine = irqLine;
        cpuCycle.cycles = cycle;
        ApuSyncClock();
    }
    bool operator==(const Snapshot& other) const {
        return std::memcmp(&apuState, &other.apuState, sizeof apuState) == 0 &&
               std::memcmp(&cycleState, &other.cycleState, sizeof cycleState) == 0 &&
               std::memcmp(&stage, &other.stage, sizeof stage) == 0 && irqLine == other.irqLine;
    }
};

// Pulses at constant volume, the triangle and the noise playing, the DMC
// looping a sample: most cycles carry a timer expiry somewhere. Each scenario
// writes its registers (hex: $40xx offset and value) and then, about once
// per `writeEvery` steps, a random register.
const struct {
    const char* name;
    uint32_t writeEvery, divider, muted;
    int32_t volume;
    const char* setup;
} kScenarios[] = {
    {"silent channels at period 0", 0, 40, 0, 0, "1500 1740"},
    {"tones", 0, 40, 0, 0, "151F 00BF 0240 0301 047A 0608 0700 08FF"},
    {"period-0 pulse that is heard", 0, 40, 0, 0, "150F 009F 0100 0200 0308 0C3F 0E00 0F08"},
    {"looping DMC", 0, 40, 0, 0, "104F 1200 1302 1510 1140"},
    {"random writes", 3, 40, 0, 0, "151F"},
    {"random writes, five steps", 4, 40, 0, 3, "151F 1780"},
    {"random writes, other divider", 3, 37, 0, -5, "151F"},
    {"muted", 3, 40, 1, 0, "151F"},
};

TEST(ApuRunTo, RunsMatchTheCycleByCycleApu) {
    uint32_t seed = 0;
    for (const auto& scenario : kScenarios) {
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
                const int32_t address = 0x4000 + random() % 0x18;
                if (address != 0x4014 && address != 0x4016)
                    Write(address, static_cast<uint8_t>(random()));
                if (random() % 8 == 0) ApuReadRegister(0x4015);
                state = Snapshot::Take();
            }
            if (DmcDmaWanted()) {  // the CPU's fetch for the DMC
                DmcDmaDeliver(static_cast<uint8_t>(random()));
                state = Snapshot::Take();
            }
            // Mostly instruction-sized steps, now and then a long one.
            uint32_t chunk = random() % 50 == 0 ? random() % 2000 : 1 + random() % 8;
            const uint64_t event = ApuNextEvent();
            ApuRunTo(cpuCycle.cycles += chunk);
            const Snapshot stepped = Snapshot::Take();
            state.Restore();
            ReferenceCycles(chunk, event);  // numbers the cycles as ApuRunTo does, and counts them
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
