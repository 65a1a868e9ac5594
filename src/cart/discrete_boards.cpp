// Helpers the discrete-logic boards share.
#include "cart/discrete_boards.h"

#include "core/cpu.h"

namespace morvel {

uint8_t OpenBusRead(uint32_t) {
    return cpuCycle.openBus;
}

// The nametables are not part of a slot: a state saved before the game
// picked a screen gets the header's arrangement back.
void OneScreenAfterStateLoad() {
    if (banks.mirroringState == kMirrorSingleLower || banks.mirroringState == kMirrorSingleUpper)
        SetMirroring(banks.mirroringState);
    else
        SetMirroring(boardHeader.mirroring);
}

}  // namespace morvel
