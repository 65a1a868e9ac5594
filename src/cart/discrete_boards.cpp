// Helpers the discrete-logic boards share.
#include "cart/discrete_boards.h"

#include "core/cpu.h"

namespace morvel {

uint8_t OpenBusRead(uint32_t) {
    return cpuCycle.openBus;
}

}  // namespace morvel
