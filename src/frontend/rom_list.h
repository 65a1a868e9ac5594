// The list of cartridge images in the "roms" folder that the ROM browser
// shows while no game runs.
#pragma once

#include <string>
#include <vector>

namespace morvel {

struct RomListEntry {
    std::string name;   // the file name without its extension
    std::string path;   // the full path of the file
    std::string board;  // the board's display name, or "--------"
    bool supported;
};

extern std::string romFolder;
extern std::vector<RomListEntry> romList;  // empty: "No Roms Found"
extern std::string currentRomPath;         // the selected image, empty when none

// Builds romFolder from exeDir and creates the folder if it is missing.
void PrepareRomFolder();

// Scans romFolder for ".nes" files (in any letter case), in the order the file
// system returns them, and selects the first.
void FillRomList();

// Selects row index of the list; an index outside it selects nothing.
void TakeSelectedRom(int index);

}  // namespace morvel
