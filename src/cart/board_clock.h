// Boards that count CPU cycles (the M2 line): interrupt counters, prescalers,
// expansion sound. Such a board runs behind the CPU, as the APU does, and is
// caught up when something needs it: an access to its registers, the cycle
// at which its interrupt could change, the end of a frame.
#pragma once

#include <cstdint>

namespace morvel {

constexpr uint64_t kBoardNever = ~uint64_t{0};

// Run-time bookkeeping, equal to cpuCycle.cycles between frames, so no part
// of a save state (the board's counters are, in its extras).
struct BoardClock {
    // Runs the board through CPU cycle `last`, each cycle as the board does it
    // before that cycle's bus access; sets `done` to last and `nextEvent` to
    // the first later cycle at which the interrupt line could change (it may
    // be early; kBoardNever when it cannot). Null for boards without a clock.
    void (*runTo)(uint64_t last);
    uint64_t done;       // the last CPU cycle the board has run
    uint64_t nextEvent;  // the CPU runs the board on reaching this cycle
};
extern BoardClock boardClock;

// The CPU's call in each cycle that reaches its duties, after counting it
// and before its bus access.
inline void BoardCycle(uint64_t cycle) {
    if (cycle >= boardClock.nextEvent) [[unlikely]]
        boardClock.runTo(cycle);
}

// Called by the board's register handlers before an access: runs the board
// through the access's cycle. The handler then changes the counters and,
// when that may move the next event, calls BoardResyncClock, which works the
// event out afresh and has the CPU look at its duties again.
void BoardCatchUp();

// Sets the board's position to cpuCycle.cycles (power-on, a loaded state, a
// register write that moved the next event: the board has then run through
// this cycle) and asks it for its next event.
void BoardResyncClock();

}  // namespace morvel
