// Where the program keeps its files: the folder of the executable, or, when
// that cannot be written, $XDG_DATA_HOME/morvel (~/.local/share/morvel).
#pragma once

#include <string>

namespace morvel {

extern std::string exeDir;  // no trailing separator

// Picks the folder for an executable that lives in executableFolder and stores
// it in exeDir.
void ChooseDataFolder(const std::string& executableFolder);

// Creates the folders "roms", "savestates", "screenshots" and "videos" under
// exeDir; failures are ignored.
void CreateDataFolders();

std::string DataPath(const char* name);  // exeDir + "/" + name

}  // namespace morvel
