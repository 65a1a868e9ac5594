// The audio processing unit: five channels, the frame sequencer, the mixer and
// the controller ports that sit in its register decoder.
#pragma once

#include <cstdint>

#include "apu/apu_state.h"

namespace morvel {

void ApuPowerOn();
void ApuReset();

// $4000-$4017 (and the board writes forwarded there); other addresses, $4009
// and $400D are ignored. $4016 is the controller latch.
void ApuWriteRegister(int32_t address, uint8_t value);
// $4015 status (releases the interrupt line), $4016/$4017 controller ports; 0 elsewhere.
uint8_t ApuReadRegister(int32_t address);

// The APU runs behind the CPU and catches up when something needs it: a
// register access, the cycle of its next event, the end of a frame. Run-time
// bookkeeping, equal to cpuCycle.cycles between frames, so no part of a save state.
struct ApuClock {
    uint64_t done;           // the last CPU cycle the APU has run
    uint64_t nextEvent;      // the earliest cycle at which the CPU could see a change
    uint8_t dmcFetchWanted;  // DmcDmaWanted() as of the APU's last run or access
};
extern ApuClock apuClock;

// Runs the APU through CPU cycle `last` (nothing when it is there already),
// each cycle as the console's APU does it before that cycle's bus access,
// making one sample every samplesDivider cycles; then works out the next event.
void ApuRunTo(uint64_t last);
// Runs the APU `cycles` cycles on from where it stands (0 or less: none).
void ApuStep(int32_t cycles);

// The CPU's call in each of its cycles, after counting it and before its bus
// access: the APU runs only when the cycle reaches its next event, the first
// cycle that could raise the frame or DMC interrupt or make a DMC fetch
// wanted (ApuNextEvent). Until then nothing the CPU sees of the APU changes.
inline void ApuCycle(uint64_t cycle) {
    if (cycle >= apuClock.nextEvent) [[unlikely]]
        ApuRunTo(cycle);
}

// The earliest CPU cycle after apuClock.done at which the frame counter could
// raise its interrupt or the DMC's fetch could become wanted; may be early.
uint64_t ApuNextEvent();
// After the APU ran or was accessed: its next event and dmcFetchWanted.
void ApuLookAhead();
// Sets the APU's position to cpuCycle.cycles (power-on, reset, a loaded
// state) and works out its next event.
void ApuSyncClock();

// Pieces of the APU's cycle, exposed for tests; the two ticks take
// cpuCycle.cycles as the cycle's number.
void ApuClockTimers();
void QuarterFrameClock();
void HalfFrameClock();
void ClockSweep(PulseChannel& pulse, int32_t pulseIndex);
void FrameCounterTick();

// Channel levels the mixer reads: pulses, triangle and noise 0-15, DMC 0-127.
uint32_t PulseOutput(const PulseChannel& pulse);
uint32_t NoiseOutput();

// The start of the DMC's next eight-bit output cycle.
void DmcStartOutputCycle();

// The DMC's sample fetch by DMA. While DmcDmaWanted() is true the CPU, at its
// next read cycle, stalls for the DMA's cycles (repeating its own read as the
// console does), reads DmcDmaAddress() and hands the byte to DmcDmaDeliver().
inline bool DmcDmaWanted() {
    return apuCycle.dmcDma == kDmcDmaWanted && apu.dmc.remaining > 0 && !apuCycle.dmcBufferFull;
}
// What the CPU's reads check: the fetch can only become wanted at an event
// or an access, after which ApuLookAhead notes it.
inline bool DmcDmaPending() {
    return apuClock.dmcFetchWanted != 0;
}
uint16_t DmcDmaAddress();
void DmcDmaDeliver(uint8_t value);

// The controller latch and serial reads of $4016/$4017.
void LatchControllers();
uint8_t ReadControllerPort(int port);

// Builds pulseMixTable and tndMixTable; once, before the first frame.
void BuildMixerTables();

// The mixer's settings, shared with the front end.
extern uint32_t samplesDivider;  // CPU cycles per output sample (40)
extern uint32_t soundMuted;      // while set, nothing is added to the sample in progress
extern int32_t volumeDb;         // whole decibels, -36 to +8
extern double volumeFactor;      // 1.122018454 ^ volumeDb
// Sets volumeDb (clamped to -36..+8) and volumeFactor together.
void SetVolumeDb(int32_t db);

// The frame's samples, read by the sound output at the end of every frame and
// emptied by the frame loop; views into sampleStage.
inline int16_t (&sampleBuffer)[kSampleBufferLength] = sampleStage.sampleBuffer;
inline uint32_t& sampleCount = sampleStage.sampleCount;

}  // namespace morvel
