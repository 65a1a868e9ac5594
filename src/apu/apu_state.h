// The APU's whole state, one record with a fixed byte layout: save states copy
// it raw, so every field has an explicit width and the gaps are reserved bytes.
// Flags keep the register bit as written (0x20, 0x80, ...) unless noted 0/1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace morvel {

// Volume envelope of the pulse and noise channels.
struct Envelope {
    uint8_t loop;      // bit 5: restart the decay at 15 after reaching 0
    uint8_t constant;  // bit 4: play `volume` instead of the decay level
    uint8_t reserved0[2];
    uint32_t volume;  // bits 3-0
    uint32_t divider;
    uint32_t period;  // bits 3-0, the divider's reload
    uint8_t decay;    // 0-15
    uint8_t reserved1[3];
    uint32_t start;  // 0/1: restart on the next quarter frame
};
static_assert(sizeof(Envelope) == 24);
static_assert(offsetof(Envelope, volume) == 0x04);
static_assert(offsetof(Envelope, divider) == 0x08);
static_assert(offsetof(Envelope, period) == 0x0C);
static_assert(offsetof(Envelope, decay) == 0x10);
static_assert(offsetof(Envelope, start) == 0x14);

// Pitch sweep of a pulse channel.
struct SweepUnit {
    uint32_t enabled;  // bit 7
    uint32_t divider;
    uint32_t shift;     // bits 2-0
    uint32_t notMuted;  // 0/1: cleared for one half frame when the target is out of range
    uint32_t negate;    // bit 3
    uint32_t period;    // bits 6-4
    uint32_t reload;    // 0/1
};
static_assert(sizeof(SweepUnit) == 28);

struct PulseChannel {
    Envelope env;
    uint8_t lengthHalt;  // bit 5
    uint8_t reserved0[3];
    uint32_t length;
    uint32_t reserved1;
    uint32_t enabled;  // pulse 1: 0 or 1; pulse 2: 0 or 2
    uint32_t timer;
    uint16_t period;  // 11 bits
    uint8_t reserved2[2];
    uint32_t halfToggle;  // 0/1: the duty step moves on every second expiry
    uint32_t step;        // 0-7
    uint32_t duty;        // 0-3
    uint32_t output;      // current duty bit 0/1
    uint32_t reserved3;
    SweepUnit sweep;
    uint32_t reserved4;
};
static_assert(sizeof(PulseChannel) == 100);
static_assert(offsetof(PulseChannel, lengthHalt) == 0x18);
static_assert(offsetof(PulseChannel, length) == 0x1C);
static_assert(offsetof(PulseChannel, enabled) == 0x24);
static_assert(offsetof(PulseChannel, timer) == 0x28);
static_assert(offsetof(PulseChannel, period) == 0x2C);
static_assert(offsetof(PulseChannel, halfToggle) == 0x30);
static_assert(offsetof(PulseChannel, step) == 0x34);
static_assert(offsetof(PulseChannel, duty) == 0x38);
static_assert(offsetof(PulseChannel, output) == 0x3C);
static_assert(offsetof(PulseChannel, sweep) == 0x44);

struct TriangleChannel {
    uint32_t linear;
    uint32_t linearReload;  // 0/1
    uint32_t linearValue;   // $4008 bits 6-0
    uint32_t control;       // $4008 bit 7
    uint32_t timer;
    uint16_t periodPlus1;  // 11-bit period + 1, so 1-2048
    uint8_t reserved0[6];
    uint8_t lengthHalt;  // $4008 bit 7
    uint8_t reserved1[3];
    uint32_t length;
    uint32_t reserved2;
    uint32_t enabled;  // 0 or 4
    uint8_t output;    // 0-15
    uint8_t reserved3[3];
    uint32_t step;  // 0-32
};
static_assert(sizeof(TriangleChannel) == 0x34);
static_assert(offsetof(TriangleChannel, periodPlus1) == 0x14);
static_assert(offsetof(TriangleChannel, lengthHalt) == 0x1C);
static_assert(offsetof(TriangleChannel, length) == 0x20);
static_assert(offsetof(TriangleChannel, enabled) == 0x28);
static_assert(offsetof(TriangleChannel, output) == 0x2C);
static_assert(offsetof(TriangleChannel, step) == 0x30);

struct NoiseChannel {
    uint16_t shift;  // 15-bit shift register
    uint8_t reserved0[2];
    uint32_t mode;    // $400E bit 7: feedback from bit 6 instead of bit 1
    uint32_t reload;  // period table value + 1
    uint32_t timer;
    Envelope env;
    uint8_t lengthHalt;  // $400C bit 5
    uint8_t reserved1[3];
    uint32_t length;
    uint32_t reserved2;
    uint32_t enabled;  // 0 or 8
};
static_assert(sizeof(NoiseChannel) == 0x38);
static_assert(offsetof(NoiseChannel, env) == 0x10);
static_assert(offsetof(NoiseChannel, lengthHalt) == 0x28);
static_assert(offsetof(NoiseChannel, enabled) == 0x34);

// Delta-modulation channel: plays 1-bit deltas fetched from CPU memory.
struct DmcChannel {
    uint32_t flags;  // $4010 >> 6; bit 0 = loop
    uint32_t rate;   // timer period from dmcRateTable
    uint32_t timer;
    uint8_t shift;
    uint8_t reserved0[3];
    uint32_t level;  // 0-127
    uint32_t address;
    uint32_t start;
    uint32_t remaining;
    uint32_t length;
    uint32_t buffer;  // the sample buffer's byte while apuCycle.dmcBufferFull
    uint8_t levelOut;
    uint8_t reserved1[3];
    uint32_t irqFlag;
    uint32_t silence;
    uint32_t irqEnable;  // $4010 bit 7
    uint32_t bitsLeft;
};
static_assert(sizeof(DmcChannel) == 0x3C);
static_assert(offsetof(DmcChannel, level) == 0x10);
static_assert(offsetof(DmcChannel, levelOut) == 0x28);
static_assert(offsetof(DmcChannel, bitsLeft) == 0x38);

struct ApuState {
    uint32_t frameCycle;
    uint32_t frameStep;
    uint32_t lastStatusWrite;
    PulseChannel pulse1;
    PulseChannel pulse2;
    TriangleChannel tri;
    NoiseChannel noise;
    uint8_t reserved0[12];
    DmcChannel dmc;
    uint32_t reserved2;  // set to 1 at power-on, never read
    uint8_t reserved3[16];
    uint8_t frameIrqInhibit;  // $4017 bit 6, 0/1
    uint8_t frameIrqFlag;     // 0/1, read as $4015 bit 6
    uint8_t reserved4[2];
    uint32_t fiveStepMode;  // $4017 bit 7
    uint32_t reserved5;
    uint8_t last4017;
    uint8_t prev4017;
    uint8_t reserved6[18];
    uint32_t pad1ReadCount;  // 0-7
    uint32_t pad2ReadCount;
    uint8_t pad1Shift;  // controller serial bytes, shifted out from bit 0
    uint8_t pad2Shift;
    uint8_t reserved7[2];
};
static_assert(std::is_trivially_copyable_v<ApuState>);
static_assert(sizeof(ApuState) == 456);
static_assert(offsetof(ApuState, pulse1) == 0x00C);
static_assert(offsetof(ApuState, pulse2) == 0x070);
static_assert(offsetof(ApuState, tri) == 0x0D4);
static_assert(offsetof(ApuState, tri.periodPlus1) == 0x0E8);
static_assert(offsetof(ApuState, tri.lengthHalt) == 0x0F0);
static_assert(offsetof(ApuState, tri.enabled) == 0x0FC);
static_assert(offsetof(ApuState, tri.step) == 0x104);
static_assert(offsetof(ApuState, noise) == 0x108);
static_assert(offsetof(ApuState, noise.env) == 0x118);
static_assert(offsetof(ApuState, noise.enabled) == 0x13C);
static_assert(offsetof(ApuState, dmc) == 0x14C);
static_assert(offsetof(ApuState, dmc.shift) == 0x158);
static_assert(offsetof(ApuState, dmc.levelOut) == 0x174);
static_assert(offsetof(ApuState, dmc.bitsLeft) == 0x184);
static_assert(offsetof(ApuState, reserved2) == 0x188);
static_assert(offsetof(ApuState, frameIrqInhibit) == 0x19C);
static_assert(offsetof(ApuState, frameIrqFlag) == 0x19D);
static_assert(offsetof(ApuState, fiveStepMode) == 0x1A0);
static_assert(offsetof(ApuState, last4017) == 0x1A8);
static_assert(offsetof(ApuState, prev4017) == 0x1A9);
static_assert(offsetof(ApuState, pad1ReadCount) == 0x1BC);
static_assert(offsetof(ApuState, pad2ReadCount) == 0x1C0);
static_assert(offsetof(ApuState, pad1Shift) == 0x1C4);
static_assert(offsetof(ApuState, pad2Shift) == 0x1C5);

extern ApuState apu;

// What the cycle-exact APU keeps beyond ApuState. Save states keep it in the
// versioned part of the file; a file from before it gets the values
// ApuCycleStateForOldState derives.
// Cycle numbers are CPU cycles as counted by cpuCycle.cycles.
struct ApuCycleState {
    uint64_t halfFrameAt;     // the cycle of the last half-frame clock
    uint8_t lengthClocked;    // bits 0-3: the length counters that clock counted down
    uint8_t frameResetDelay;  // cycles until a $4017 write restarts the frame counter; 0 none
    uint8_t frameMode;        // the $4017 value that restart applies
    uint8_t dmcBufferFull;    // 0/1: apu.dmc.buffer holds a sample byte
    uint8_t dmcDma;           // kDmcDmaIdle, kDmcDmaLoad, kDmcDmaReload or kDmcDmaWanted
    uint8_t dmcDmaDelay;      // kDmcDmaLoad: cycles until the DMA is wanted
    uint8_t reserved[2];
};
static_assert(std::is_trivially_copyable_v<ApuCycleState>);
static_assert(sizeof(ApuCycleState) == 16);

// The DMC's sample fetch by DMA: none; a load after a $4015 start, counting
// down dmcDmaDelay; a reload after the output unit took the buffer, waiting
// for a get cycle; wanted, until the CPU delivers the byte.
enum : uint8_t { kDmcDmaIdle, kDmcDmaLoad, kDmcDmaReload, kDmcDmaWanted };

extern ApuCycleState apuCycle;
void ApuCycleStateForOldState();

// The output samples of the current frame and the sample in progress, stored
// by save states as one block.
constexpr uint32_t kSampleBufferLength = 1024;
struct SampleStage {
    int16_t sampleBuffer[kSampleBufferLength];
    uint32_t sampleCycleCount;  // CPU cycles summed into the sample in progress
    uint32_t sampleCount;       // samples stored so far this frame
    float sampleAccumulator;    // sum of the mixer outputs of the sample in progress
    uint32_t reserved;
};
static_assert(std::is_trivially_copyable_v<SampleStage>);
static_assert(sizeof(SampleStage) == 2064);
static_assert(offsetof(SampleStage, sampleCycleCount) == 2048);
static_assert(offsetof(SampleStage, sampleCount) == 2052);
static_assert(offsetof(SampleStage, sampleAccumulator) == 2056);

extern SampleStage sampleStage;

// Hardware tables, NTSC timing (times in CPU cycles).
extern const uint8_t lengthTable[32];
// Pulse waveforms, one row per duty setting, eight steps each.
inline constexpr uint8_t dutyTable[4][8] = {
    {0, 1, 0, 0, 0, 0, 0, 0},  // duty 0: 12.5 %
    {0, 1, 1, 0, 0, 0, 0, 0},  // duty 1: 25 %
    {0, 1, 1, 1, 1, 0, 0, 0},  // duty 2: 50 %
    {1, 0, 0, 1, 1, 1, 1, 1},  // duty 3: 25 % inverted
};
extern const uint8_t triangleSequence[32];
extern const uint16_t noisePeriodTable[16];
extern const uint16_t dmcRateTable[16];

// Mixer lookup tables, filled by BuildMixerTables.
extern float pulseMixTable[32];
extern float tndMixTable[204];

}  // namespace morvel
