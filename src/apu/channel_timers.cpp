// The DMC's memory side (the sample buffer, its fetch by DMA and the start of
// each output cycle) and the out-of-line entry points to the channels'
// per-cycle work.
#include "apu/channel_timers.h"

#include "core/cpu.h"

namespace morvel {

// Each output cycle takes the buffer's byte if it holds one and plays it,
// else it is silent; the level holds. Taking the byte asks for the next one
// while bytes remain.
void DmcStartOutputCycle() {
    DmcChannel& dmc = apu.dmc;
    dmc.bitsLeft = 8;
    if (!apuCycle.dmcBufferFull) {
        dmc.silence = 1;
        return;
    }
    dmc.shift = static_cast<uint8_t>(dmc.buffer);
    dmc.silence = 0;
    apuCycle.dmcBufferFull = 0;
    if (dmc.remaining > 0 && apuCycle.dmcDma == kDmcDmaIdle) apuCycle.dmcDma = kDmcDmaReload;
}

uint16_t DmcDmaAddress() {
    return static_cast<uint16_t>(apu.dmc.address);
}

namespace {

// The fetched byte fills the buffer. The address wraps from $FFFF to $8000;
// after the sample's last byte it starts over (loop) or raises the DMC
// interrupt. A fetch whose sample was stopped meanwhile is dropped.
void TakeFetchedByte(uint8_t value) {
    DmcChannel& dmc = apu.dmc;
    apuCycle.dmcDma = kDmcDmaIdle;
    apuCycle.dmcDmaDelay = 0;
    if (dmc.remaining == 0) return;
    dmc.buffer = value;
    apuCycle.dmcBufferFull = 1;
    dmc.address = dmc.address >= 0xFFFF ? 0x8000 : dmc.address + 1;
    dmc.remaining -= 1;
    if (dmc.remaining > 0) return;
    if (dmc.flags & 1) {
        dmc.address = dmc.start;
        dmc.remaining = dmc.length;
    } else if (dmc.irqEnable) {
        dmc.irqFlag = 1;
        AssertIrq(kIrqDmc);
    }
}

}  // namespace

// The APU first runs up to the fetch's cycle: the byte arrives after that
// cycle's APU step.
void DmcDmaDeliver(uint8_t value) {
    ApuRunTo(cpuCycle.cycles);
    TakeFetchedByte(value);
    ApuLookAhead();
}

void ApuClockTimers() {
    channel::ClockTimersAndDmcDma(cpuCycle.cycles);
}

uint32_t PulseOutput(const PulseChannel& pulse) {
    return channel::PulseLevel(pulse);
}

uint32_t NoiseOutput() {
    return channel::NoiseLevel(apu.noise);
}

}  // namespace morvel
