// Checks that a saved slot fits the loaded cartridge and the machine's own
// arrays before anything of it is restored.
#pragma once

#include <cstdint>
#include <string>

namespace morvel {

struct StateSlot;

// True when every bank number of the slot (and of the board extras, when
// given) lies inside the loaded PRG and CHR data and every counter the
// machine indexes with is in its range; otherwise false with the reason.
bool SlotFitsCartridge(const StateSlot& slot, const uint8_t* boardExtras, std::string& why);

}  // namespace morvel
