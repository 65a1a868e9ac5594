// The interrupt counter Konami's VRC4, VRC6 and VRC7 share. It counts CPU
// cycles, either each one (cycle mode) or through a prescaler that divides
// them by 113 2/3 so that the counter moves once per scanline (scanline
// mode), whether the PPU renders or not. An 8-bit counter counts up from the
// latch; the clock that finds it at $FF reloads it and raises the interrupt.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

namespace morvel {

// Kept in the board's saved record.
struct VrcIrqState {
    uint8_t latch;    // the reload value
    uint8_t control;  // .... .MEA: M cycle mode, E enabled, A enabled after acknowledgement
    uint8_t counter;
    uint8_t reserved;
    int32_t prescaler;  // 341 minus 3 per CPU cycle; the counter moves when it reaches 0 or below
};
static_assert(sizeof(VrcIrqState) == 8);
static_assert(std::is_trivially_copyable_v<VrcIrqState>);

// The registers; each first catches the board up (BoardCatchUp).
void VrcIrqWriteLatch(VrcIrqState& irq, uint8_t value);
// VRC4 writes the latch four bits at a time.
void VrcIrqWriteLatchLow(VrcIrqState& irq, uint8_t value);
void VrcIrqWriteLatchHigh(VrcIrqState& irq, uint8_t value);
// Acknowledges and restarts the prescaler; with E set, reloads the counter.
void VrcIrqWriteControl(VrcIrqState& irq, uint8_t value);
// Acknowledges, and A becomes E.
void VrcIrqAcknowledge(VrcIrqState& irq);

// Runs the counter `cycles` CPU cycles on; the interrupt is raised in the
// run's last cycle when the counter trips there (the board clock stops at
// each trip through VrcIrqCyclesToTrip).
void VrcIrqAdvance(VrcIrqState& irq, uint64_t cycles);
// CPU cycles until the counter next trips (at least 1), or none while it is off.
uint64_t VrcIrqCyclesToTrip(const VrcIrqState& irq);

// The runTo of a VRC board's row: the counter, and the board's sound chip
// (when it has one) over the same cycles, then the next event from the counter.
void VrcIrqRunTo(VrcIrqState& irq, uint64_t last, void (*runSound)(uint64_t cycles) = nullptr);

// Power-on: all clear, the prescaler at the start of a scanline.
void VrcIrqPowerOn(VrcIrqState& irq);

// Whether a saved record holds values the counter can leave.
bool VrcIrqFits(const VrcIrqState& irq, std::string& why);

}  // namespace morvel
