// Which ".yss" file keeps a cartridge's slots. The file keeps the plain name
// "<cartridge file name>.yss" wherever it can; beside each file this version
// writes, an owner record "<file>.yss.owner" names the cartridge it belongs
// to by a checksum of its images, so that two cartridges of the same file
// name in different folders never share (and overwrite) one file, and a
// cartridge moved to another folder keeps its states. The state file itself
// keeps its layout: no header, and files of earlier versions still load.
#pragma once

#include <cstdint>
#include <string>

namespace morvel {

// A cartridge as its state files know it: the CRC32 of its PRG data followed
// by its CHR data, and its mapper number (the same images on another board
// have slots of another size).
struct CartridgeIdentity {
    uint32_t crc;
    uint32_t mapper;
};
CartridgeIdentity LoadedCartridgeIdentity();

struct StateFileChoice {
    std::string path;       // empty when every candidate belongs to another cartridge
    bool recorded = false;  // the owner record already names this cartridge
};

// Chooses the state file for cartridge `id` whose file name is `name` in
// `folder`; `fileSize` is the size of its state file. See the rule in the
// source. Battery saves are chosen by the same rule with the extension ".sav".
StateFileChoice ChooseStateFile(const std::string& folder, const std::string& name,
                                CartridgeIdentity id, uintmax_t fileSize,
                                const char* extension = ".yss");

// Writes the owner record beside stateFile; false (why set) on failure.
bool RecordStateFileOwner(const std::string& stateFile, CartridgeIdentity id, std::string& why);

}  // namespace morvel
