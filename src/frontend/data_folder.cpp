#include "frontend/data_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace morvel {

std::string exeDir;

namespace {
std::string XdgDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/morvel";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/morvel";
}
}  // namespace

void ChooseDataFolder(const std::string& executableFolder) {
    if (!executableFolder.empty() && access(executableFolder.c_str(), W_OK) == 0) {
        exeDir = executableFolder;
        return;
    }
    exeDir = XdgDataFolder();
    std::error_code ignored;
    std::filesystem::create_directories(exeDir, ignored);
}

void CreateDataFolders() {
    for (const char* name : {"roms", "savestates", "screenshots", "videos"}) {
        std::error_code ignored;
        std::filesystem::create_directory(DataPath(name), ignored);
    }
}

std::string DataPath(const char* name) {
    return exeDir + "/" + name;
}

}  // namespace morvel
