// The DMC's memory side (fetch and output-cycle start) and the out-of-line
// entry points to the channels' per-cycle work.
#include "apu/channel_timers.h"

#include "core/cpu.h"
#include "core/memory_map.h"

namespace morvel {

// Fills the one-byte sample buffer from CPU memory when it is empty. The read
// costs the CPU nothing here. The address wraps from $FFFF to $8000; at the
// end of the sample it loops or raises the DMC interrupt.
void DmcFetch() {
    DmcChannel& dmc = apu.dmc;
    if (dmc.buffer != 0 || dmc.remaining == 0) return;
    dmc.buffer = CpuRead(dmc.address & 0xFFFF);
    dmc.address += 1;
    if (dmc.address > 0xFFFF) dmc.address = 0x8000;
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

// A fetched byte of 0 counts as an empty buffer, so it plays as silence.
void DmcStartOutputCycle() {
    DmcChannel& dmc = apu.dmc;
    dmc.bitsLeft = 8;
    if (dmc.buffer != 0) {
        dmc.shift = static_cast<uint8_t>(dmc.buffer);
        dmc.silence = 0;
        dmc.buffer = 0;
    } else {
        dmc.silence = 1;
    }
}

// The fetch above still reads memory itself: no DMA is ever wanted.
bool DmcDmaWanted() {
    return false;
}
uint16_t DmcDmaAddress() {
    return static_cast<uint16_t>(apu.dmc.address);
}
void DmcDmaDeliver(uint8_t) {}

void ApuClockTimers() {
    channel::ClockAllTimers();
}

uint32_t PulseOutput(const PulseChannel& pulse) {
    return channel::PulseLevel(pulse);
}

uint32_t NoiseOutput() {
    return channel::NoiseLevel(apu.noise);
}

}  // namespace morvel
