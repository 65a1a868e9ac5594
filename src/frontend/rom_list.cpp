#include "frontend/rom_list.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "cart/cartridge.h"
#include "core/host.h"
#include "frontend/data_folder.h"

namespace morvel {

std::string romFolder;
std::vector<RomListEntry> romList;
std::string currentRomPath;

namespace {

bool HasNesExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".nes";
}

// The board of an image from its header; a file too short for a header is
// simply unknown, a header without the "NES" mark is reported. Only regular
// files are opened: a FIFO named like an image would hold the scan forever.
std::string BoardFromHeader(const std::string& path) {
    InesHeader header;
    HeaderCheck check = PeekHeader(path.c_str(), header);
    if (check == HeaderCheck::kNoMark) showErrorBox("Invalid NES Header!");
    const SupportedBoard* board = check == HeaderCheck::kOk
                                      ? FindSupportedBoard(static_cast<int32_t>(header.mapper))
                                      : nullptr;
    return board ? std::string(board->name) : std::string("--------");
}

}  // namespace

void PrepareRomFolder() {
    romFolder = DataPath("roms");
    std::error_code ignored;
    std::filesystem::create_directory(romFolder, ignored);
}

void FillRomList() {
    romList.clear();
    currentRomPath.clear();
    std::error_code error;
    std::filesystem::directory_iterator it(romFolder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::string fileName = it->path().filename().string();
        if (!HasNesExtension(fileName) || it->is_directory(error)) continue;
        RomListEntry entry;
        entry.name = fileName.substr(0, fileName.size() - 4);
        entry.path = romFolder + "/" + fileName;
        entry.board = BoardFromHeader(entry.path);
        entry.supported = entry.board != "--------";
        romList.push_back(entry);
    }
    // Linux lists a folder in no useful order; the rows follow the names,
    // without regard to letter case, as a Windows folder lists them.
    auto folded = [](const std::string& name) {
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lower;
    };
    std::stable_sort(romList.begin(), romList.end(),
                     [&](const RomListEntry& a, const RomListEntry& b) {
                         return folded(a.name) < folded(b.name);
                     });
    TakeSelectedRom(0);
}

void TakeSelectedRom(int index) {
    if (index < 0 || index >= static_cast<int>(romList.size())) {
        currentRomPath.clear();
        return;
    }
    currentRomPath = romList[static_cast<size_t>(index)].path;
}

}  // namespace morvel
