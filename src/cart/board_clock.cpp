#include "cart/board_clock.h"

#include "core/cpu.h"

namespace morvel {

BoardClock boardClock = {nullptr, 0, kBoardNever};

void BoardCatchUp() {
    if (boardClock.runTo) boardClock.runTo(cpuCycle.cycles);
}

void BoardSyncClock(void (*runTo)(uint64_t last)) {
    boardClock.runTo = runTo;
    BoardResyncClock();
}

void BoardResyncClock() {
    boardClock.done = cpuCycle.cycles;
    boardClock.nextEvent = kBoardNever;
    if (boardClock.runTo) boardClock.runTo(cpuCycle.cycles);
    CpuRecheckDuties();
}

}  // namespace morvel
