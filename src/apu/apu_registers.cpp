// The APU's register decoder at $4000-$4017, power-on and the reset button.
#include <cstring>

#include "apu/apu.h"
#include "apu/channel_timers.h"
#include "core/cpu.h"

namespace morvel {

ApuState apu;
ApuCycleState apuCycle;

namespace {

// A length load from $4003/$4007/$400B/$400F bits 7-3 while the channel is
// enabled. A load written on the cycle a half frame counted the counter down
// is lost; one that found the counter at 0 or halted takes.
void LoadLength(uint32_t& length, uint32_t enabled, uint8_t channelBit, uint8_t value) {
    if (!enabled) return;
    if (apuCycle.halfFrameAt == cpuCycle.cycles && (apuCycle.lengthClocked & channelBit)) return;
    length = lengthTable[((value >> 3) & 1) * 16 + (value >> 4)];
}

// $4000/$4004/$400C: bit 5 halts the length counter and loops the envelope,
// bit 4 selects a constant volume, bits 3-0 are the volume or decay period.
void WriteEnvelope(Envelope& env, uint8_t& lengthHalt, uint8_t value) {
    env.loop = value & 0x20;
    lengthHalt = value & 0x20;
    env.constant = value & 0x10;
    env.volume = value & 0x0F;
    env.period = value & 0x0F;
}

void WritePulse(PulseChannel& pulse, int32_t pulseIndex, int reg, uint8_t value) {
    switch (reg) {
        case 0:
            WriteEnvelope(pulse.env, pulse.lengthHalt, value);
            pulse.duty = value >> 6;
            break;
        case 1: {
            SweepUnit& sweep = pulse.sweep;
            sweep.enabled = value & 0x80;
            sweep.period = (value >> 4) & 7;
            sweep.negate = value & 0x08;
            sweep.shift = value & 7;
            sweep.reload = 1;
            ClockSweep(pulse, pulseIndex);  // with reload set: reloads, unmutes
            break;
        }
        case 2: pulse.period = static_cast<uint16_t>((pulse.period & 0x700) | value); break;
        case 3:
            pulse.period = static_cast<uint16_t>((pulse.period & 0xFF) | ((value & 7) << 8));
            pulse.env.start = 1;
            LoadLength(pulse.length, pulse.enabled, static_cast<uint8_t>(1 << pulseIndex), value);
            pulse.step = 0;
            break;
    }
}

void WriteTriangle(int reg, uint8_t value) {
    TriangleChannel& tri = apu.tri;
    uint32_t period = tri.periodPlus1 > 0 ? tri.periodPlus1 - 1u : 0u;
    switch (reg) {
        case 0:
            tri.lengthHalt = value & 0x80;
            tri.control = value & 0x80;
            tri.linearValue = value & 0x7F;
            break;
        case 2: tri.periodPlus1 = static_cast<uint16_t>(((period & 0x700) | value) + 1); break;
        case 3:
            tri.periodPlus1 = static_cast<uint16_t>(((period & 0xFF) | ((value & 7) << 8)) + 1);
            tri.linearReload = 1;
            LoadLength(tri.length, tri.enabled, 4, value);
            break;
    }
}

void WriteNoise(int reg, uint8_t value) {
    NoiseChannel& noise = apu.noise;
    switch (reg) {
        case 0: WriteEnvelope(noise.env, noise.lengthHalt, value); break;
        case 2: {
            noise.mode = value & 0x80;
            uint32_t period = noisePeriodTable[value & 0x0F];
            noise.timer = period;
            noise.reload = period + 1;
            break;
        }
        case 3:
            LoadLength(noise.length, noise.enabled, 8, value);
            noise.env.start = 1;
            break;
    }
}

void WriteDmc(int reg, uint8_t value) {
    DmcChannel& dmc = apu.dmc;
    switch (reg) {
        case 0:
            dmc.flags = value >> 6;
            dmc.irqEnable = value & 0x80;
            // Disabling the interrupt also clears a raised one.
            if (!(value & 0x80)) {
                dmc.irqFlag = 0;
                ReleaseIrq(kIrqDmc);
            }
            dmc.rate = dmcRateTable[value & 0x0F];
            break;
        case 1:  // the output level, heard at once
            dmc.level = value & 0x7F;
            dmc.levelOut = static_cast<uint8_t>(dmc.level);
            break;
        case 2: dmc.start = 0xC000 + value * 64u; break;
        case 3: dmc.length = value * 16u + 1; break;
    }
}

// $4015: channel enables; bit 4 starts the DMC sample when the last one has
// ended and stops it when clear. A start with the sample buffer empty fetches
// the first byte by the "load" DMA, whose halt comes on the get cycle of the
// second APU cycle after the write: 3 cycles after a write on a put (odd)
// cycle, 4 after one on a get cycle.
void WriteStatus(uint8_t value) {
    apu.lastStatusWrite = value;
    apu.pulse1.enabled = value & 1;
    apu.pulse2.enabled = value & 2;
    apu.tri.enabled = value & 4;
    apu.noise.enabled = value & 8;
    DmcChannel& dmc = apu.dmc;
    if (value & 0x10) {
        if (dmc.remaining == 0) {
            dmc.address = dmc.start;
            dmc.remaining = dmc.length;
            if (!apuCycle.dmcBufferFull) {
                apuCycle.dmcDma = kDmcDmaLoad;
                apuCycle.dmcDmaDelay = (cpuCycle.cycles & 1) ? 2 : 3;
            }
        }
    } else {
        dmc.remaining = 0;
        apuCycle.dmcDma = kDmcDmaIdle;
    }
    dmc.irqFlag = 0;
    ReleaseIrq(kIrqDmc);
    if (!apu.pulse1.enabled) apu.pulse1.length = 0;
    if (!apu.pulse2.enabled) apu.pulse2.length = 0;
    if (!apu.tri.enabled) apu.tri.length = 0;
    if (!apu.noise.enabled) apu.noise.length = 0;
}

// The frame counter's $4017 bits, shared by the write and the reset button,
// which applies the last value again. Bit 6 (interrupt inhibit) acts at once
// and clears the flag; bit 7 (five-step mode) and the restart of the count
// wait for the write to take effect (FrameCounterWriteDelay).
void ApplyFrameCounterMode(uint8_t value) {
    if (value & 0x40) {
        apu.frameIrqInhibit = 1;
        apu.frameIrqFlag = 0;
        ReleaseIrq(kIrqFrameCounter);
    } else {
        apu.frameIrqInhibit = 0;
    }
    apuCycle.frameMode = value;
    apuCycle.frameResetDelay = FrameCounterWriteDelay(cpuCycle.cycles);
}

void WriteFrameCounter(uint8_t value) {
    apu.prev4017 = apu.last4017;
    apu.last4017 = value;
    ApplyFrameCounterMode(value);
}

// Power-on and the reset button write $4017 (with $00, or again with the last
// value) so that the frame counter restarts on the second cycle of the CPU's
// reset sequence: 9 cycles before the first instruction as apu_reset's
// 4017_timing counts them, the delay the console usually shows.
constexpr uint8_t kResetRestartDelay = 2;

uint8_t ReadStatus() {
    uint8_t value = 0;
    if (apu.pulse1.length) value |= 0x01;
    if (apu.pulse2.length) value |= 0x02;
    if (apu.tri.length) value |= 0x04;
    if (apu.noise.length) value |= 0x08;
    if (apu.dmc.remaining) value |= 0x10;
    if (apu.frameIrqFlag) value |= 0x40;
    if (apu.dmc.irqFlag) value |= 0x80;
    // The read clears the frame flag; on the first two of the three cycles
    // that raise it, the next cycle raises it again (frame_sequencer.cpp).
    apu.frameIrqFlag = 0;
    ReleaseIrq(kIrqFrameCounter);
    return value;
}

// The channel and frame counter registers: the APU first runs up to the
// access's cycle, and its next event may have moved afterwards.
void WriteApu(int32_t address, uint8_t value) {
    ApuRunTo(cpuCycle.cycles);
    int reg = address & 3;
    switch ((address - 0x4000) >> 2) {
        case 0: WritePulse(apu.pulse1, 0, reg, value); break;
        case 1: WritePulse(apu.pulse2, 1, reg, value); break;
        case 2: WriteTriangle(reg, value); break;
        case 3: WriteNoise(reg, value); break;
        case 4: WriteDmc(reg, value); break;
        default:
            if (address == 0x4015) WriteStatus(value);
            if (address == 0x4017) WriteFrameCounter(value);
            break;
    }
    ApuLookAhead();
}

uint8_t ReadApuStatus() {
    ApuRunTo(cpuCycle.cycles);
    const uint8_t value = ReadStatus();
    ApuLookAhead();
    return value;
}

}  // namespace

void ApuWriteRegister(int32_t address, uint8_t value) {
    if (address < 0x4000 || address > 0x4017) return;
    switch (address) {
        case 0x4014:
            cpu.dmaSource = static_cast<uint32_t>(value) << 8;
            cpu.dmaActive = 1;
            return;
        case 0x4016:
            if (!(value & 1)) LatchControllers();
            return;
        default: WriteApu(address, value); return;
    }
}

uint8_t ApuReadRegister(int32_t address) {
    switch (address) {
        case 0x4015: return ReadApuStatus();
        case 0x4016: return ReadControllerPort(0);
        case 0x4017: return ReadControllerPort(1);
        default: return 0;
    }
}

// Before this record the frame counter stepped when its count reached the
// step's cycle minus one, and a zero sample byte stood for an empty buffer.
void ApuCycleStateForOldState() {
    std::memset(&apuCycle, 0, sizeof apuCycle);
    apuCycle.halfFrameAt = ~uint64_t{0};
    apuCycle.frameMode = apu.last4017;
    if (apu.frameCycle > 0) apu.frameCycle -= 1;
    apuCycle.dmcBufferFull = apu.dmc.buffer != 0;
    if (!apuCycle.dmcBufferFull && apu.dmc.remaining > 0) apuCycle.dmcDma = kDmcDmaWanted;
}

void ApuPowerOn() {
    apuClock.done = cpuCycle.cycles;
    std::memset(&apu, 0, sizeof apu);
    std::memset(&apuCycle, 0, sizeof apuCycle);
    apuCycle.halfFrameAt = ~uint64_t{0};
    ReleaseIrq(kIrqFrameCounter | kIrqDmc);
    for (int32_t address = 0x4000; address <= 0x4007; ++address) ApuWriteRegister(address, 0);
    apu.tri.linearReload = 1;
    apu.tri.periodPlus1 = 1;
    apu.noise.timer = 4;
    apu.noise.reload = 5;
    apu.noise.env.start = 1;
    apu.dmc.irqFlag = 1;
    apu.dmc.rate = dmcRateTable[0];
    apu.dmc.silence = 1;  // the output unit starts with nothing to play
    ApuWriteRegister(0x4015, 0);
    ApuWriteRegister(0x4017, 0);
    apuCycle.frameResetDelay = kResetRestartDelay;
    apu.noise.shift = 1;
    apu.reserved2 = 1;
    ApuSyncClock();
}

void ApuReset() {
    ApuRunTo(cpuCycle.cycles);
    apu.lastStatusWrite = 0;
    apu.pulse1.enabled = apu.pulse2.enabled = apu.tri.enabled = apu.noise.enabled = 0;
    apu.dmc.remaining = 0;
    apuCycle.dmcDma = kDmcDmaIdle;
    apu.dmc.irqFlag = 0;
    ReleaseIrq(kIrqDmc);
    apu.pulse1.length = apu.pulse2.length = apu.tri.length = apu.noise.length = 0;
    apu.prev4017 = apu.last4017;
    ApplyFrameCounterMode(apu.last4017);
    apuCycle.frameResetDelay = kResetRestartDelay;
    apu.frameIrqFlag = 0;
    ReleaseIrq(kIrqFrameCounter);
    ApuSyncClock();
}

}  // namespace morvel
