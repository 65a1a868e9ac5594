// Helpers the discrete-logic boards share.
#include "cart/discrete_boards.h"

namespace morvel {

void MapLatchBanks(uint32_t prgBank, uint32_t chrBank) {
    MapPrgBanks(0x8000, prgBank, 0x8000);
    MapChrBanks(0, chrBank, 0x2000);
}

}  // namespace morvel
