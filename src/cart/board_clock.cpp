#include "cart/board_clock.h"

#include "core/cpu.h"

namespace morvel {

BoardClock boardClock = {nullptr, 0, kBoardNever};

void BoardCatchUp() {
    if (boardClock.runTo) boardClock.runTo(cpuCycle.cycles);
}

void BoardResyncClock() {
    boardClock.done = cpuCycle.cycles;
    boardClock.nextEvent = kBoardNever;
    if (boardClock.runTo) boardClock.runTo(cpuCycle.cycles);
    CpuRecheckDuties();
}

}  // namespace morvel
