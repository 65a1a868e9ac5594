#include "cart/vrc_irq.h"

#include <algorithm>

#include "cart/board_clock.h"
#include "core/cpu.h"
#include "core/state_rules.h"

namespace morvel {

namespace {

constexpr uint8_t kCycleMode = 4;
constexpr uint8_t kEnabled = 2;
constexpr uint8_t kEnableAfterAck = 1;
constexpr int32_t kScanline = 341;  // three times a scanline's CPU cycles

bool Enabled(const VrcIrqState& irq) {
    return (irq.control & kEnabled) != 0;
}

// CPU cycles until the counter's next clock.
uint64_t CyclesToClock(const VrcIrqState& irq) {
    if (irq.control & kCycleMode) return 1;
    return irq.prescaler <= 3 ? 1 : static_cast<uint64_t>(irq.prescaler + 2) / 3;
}

void Registers() {
    BoardCatchUp();
}

// The counter's next trip moved: the board's clock places its next event
// afresh (its position is the current cycle after Registers()).
void Changed() {
    BoardResyncClock();
}

}  // namespace

void VrcIrqWriteLatch(VrcIrqState& irq, uint8_t value) {
    Registers();
    irq.latch = value;
}

void VrcIrqWriteLatchLow(VrcIrqState& irq, uint8_t value) {
    Registers();
    irq.latch = static_cast<uint8_t>((irq.latch & 0xF0) | (value & 0x0F));
}

void VrcIrqWriteLatchHigh(VrcIrqState& irq, uint8_t value) {
    Registers();
    irq.latch = static_cast<uint8_t>((irq.latch & 0x0F) | (value << 4));
}

void VrcIrqWriteControl(VrcIrqState& irq, uint8_t value) {
    Registers();
    irq.control = value & 7;
    irq.prescaler = kScanline;
    if (Enabled(irq)) irq.counter = irq.latch;
    ReleaseIrq(kIrqBoard);
    Changed();
}

void VrcIrqAcknowledge(VrcIrqState& irq) {
    Registers();
    irq.control = static_cast<uint8_t>((irq.control & ~kEnabled) |
                                       ((irq.control & kEnableAfterAck) ? kEnabled : 0));
    ReleaseIrq(kIrqBoard);
    Changed();
}

// The counter and prescaler stand still while the interrupt is off. In cycle
// mode the counter moves every cycle; in scanline mode every 114, 114, then
// 113 cycles.
void VrcIrqAdvance(VrcIrqState& irq, uint64_t cycles) {
    while (cycles > 0 && Enabled(irq)) {
        const bool cycleMode = (irq.control & kCycleMode) != 0;
        const uint64_t toClock = CyclesToClock(irq);
        if (cycles < toClock) {
            irq.prescaler -= static_cast<int32_t>(3 * cycles);
            return;
        }
        // Cycle mode: run up to the trip in one go.
        uint64_t clocks = 1;
        if (cycleMode) clocks = std::min<uint64_t>(cycles, 0x100u - irq.counter);
        const uint64_t taken = cycleMode ? clocks : toClock;
        cycles -= taken;
        if (!cycleMode) irq.prescaler += kScanline - 3 * static_cast<int32_t>(toClock);
        if (irq.counter + clocks <= 0xFF) {
            irq.counter = static_cast<uint8_t>(irq.counter + clocks);
            continue;
        }
        irq.counter = irq.latch;
        AssertIrq(kIrqBoard);
    }
}

// May come early (a scanline counted as its shortest, 113 cycles): the clock
// then runs the counter on and asks again.
uint64_t VrcIrqCyclesToTrip(const VrcIrqState& irq) {
    if (!Enabled(irq)) return kBoardNever;
    const uint64_t clocks = 0x100u - irq.counter;
    if (irq.control & kCycleMode) return clocks;
    return CyclesToClock(irq) + (clocks - 1) * 113;
}

void VrcIrqRunTo(VrcIrqState& irq, uint64_t last, void (*runSound)(uint64_t cycles)) {
    if (last > boardClock.done) {
        VrcIrqAdvance(irq, last - boardClock.done);
        if (runSound) runSound(last - boardClock.done);
    }
    boardClock.done = last;
    const uint64_t toTrip = VrcIrqCyclesToTrip(irq);
    boardClock.nextEvent = toTrip == kBoardNever ? kBoardNever : last + toTrip;
}

void VrcIrqPowerOn(VrcIrqState& irq) {
    irq = VrcIrqState{};
    irq.prescaler = kScanline;
}

bool VrcIrqFits(const VrcIrqState& irq, std::string& why) {
    return AllHold({{irq.control <= 7, "VRC interrupt control"},
                    {irq.prescaler > -3 && irq.prescaler <= kScanline, "VRC prescaler"}},
                   why);
}

}  // namespace morvel
