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

// The checks of each board family's extras (a capture as the file holds it),
// named in the board table.
bool Mmc1ExtrasFit(const uint8_t* saved, std::string& why);
bool Mmc3ExtrasFit(const uint8_t* saved, std::string& why);
bool Mmc5ExtrasFit(const uint8_t* saved, std::string& why);
bool Mmc2ExtrasFit(const uint8_t* saved, std::string& why);

}  // namespace morvel
