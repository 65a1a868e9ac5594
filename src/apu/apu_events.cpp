// When the APU next has to run for the CPU's sake. Without a register access
// the CPU sees the APU only through the interrupt line and the DMC's fetch:
// the frame counter's interrupt flag and the fetch becoming wanted.
#include "apu/channel_timers.h"
#include "core/cpu.h"

namespace morvel {

ApuClock apuClock;

namespace {

constexpr uint64_t kNever = ~uint64_t{0};

// The four-step sequence raises the flag on counts kFrameFlagFirst to
// kFourStepEnd; the count moves on by one each cycle. A waiting $4017 write
// restarts the count and may change the mode: its cycle is an event too.
uint64_t FrameIrqEvent(uint64_t done) {
    uint64_t event = kNever;
    if (!apu.fiveStepMode && !apu.frameIrqInhibit) {
        const uint32_t count = apu.frameCycle;
        event = done + (count < kFrameFlagFirst ? kFrameFlagFirst - count : 1);
    }
    const uint64_t restart = done + apuCycle.frameResetDelay;
    return apuCycle.frameResetDelay != 0 && restart < event ? restart : event;
}

// A load fetch is wanted when its delay has counted down, a reload on the
// next get (even) cycle. Otherwise the next output cycle's start may take the
// buffer's byte and ask for a reload: it comes with the expiry that counts the
// last bit of the output cycle in progress. The buffer and the count of bytes
// left change only through the CPU (a fetch, a register write), after which
// the event is worked out again.
uint64_t DmcEvent(uint64_t done) {
    if (apuCycle.dmcDma == kDmcDmaLoad)
        return done + (apuCycle.dmcDmaDelay > 1 ? apuCycle.dmcDmaDelay : 1);
    if (apuCycle.dmcDma == kDmcDmaReload) return done + ((done & 1) ? 1 : 2);
    const DmcChannel& dmc = apu.dmc;
    // Only a byte in the buffer and more to fetch make a reload.
    if (dmc.rate == 0 || !apuCycle.dmcBufferFull || dmc.remaining == 0) return kNever;
    const uint32_t bits = dmc.bitsLeft < 1 ? 1 : dmc.bitsLeft > 8 ? 8 : dmc.bitsLeft;
    return done + dmc.timer + 1 + uint64_t{bits - 1} * dmc.rate;
}

}  // namespace

uint64_t ApuNextEvent() {
    const uint64_t done = apuClock.done;
    const uint64_t frame = FrameIrqEvent(done);
    const uint64_t dmc = DmcEvent(done);
    return frame < dmc ? frame : dmc;
}

void ApuLookAhead() {
    apuClock.nextEvent = ApuNextEvent();
    apuClock.dmcFetchWanted = DmcDmaWanted();
}

void ApuSyncClock() {
    apuClock.done = cpuCycle.cycles;
    ApuLookAhead();
}

}  // namespace morvel
