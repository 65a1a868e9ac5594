#include "frontend/data_folder.h"

#include <cstdlib>
#include <filesystem>

#include "core/host_os.h"

namespace morvel {

std::string exeDir;

void ChooseDataFolder(const std::string& executableFolder) {
    if (!executableFolder.empty() && os::FolderWritable(executableFolder)) {
        exeDir = executableFolder;
        return;
    }
    exeDir = os::UserDataFolder();
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
