#include "core/battery_save.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "cart/board_table.h"
#include "cart/cartridge.h"
#include "core/file_name.h"
#include "core/memory_map.h"
#include "core/state_file_owner.h"
#include "core/user_files.h"

namespace morvel {

std::string batterySetAside;
std::string batteryError;

namespace {

std::string savesFolder = "saves";
std::string savePath;  // empty: the cartridge keeps nothing, or no name is free
CartridgeIdentity saveOwner;
bool saveRecorded;  // the owner record beside the file names this cartridge
bool saveRefused;   // the file there was refused at load: set aside before writing
// What the file holds (or, before the first write of a new file, what the
// memory held at start): a write happens only when the memory differs.
std::vector<uint8_t> saved;
std::chrono::steady_clock::time_point lastTimedWrite;
constexpr auto kWriteInterval = std::chrono::minutes(1);

// The battery memory of the loaded cartridge, in the order of the file: the
// work RAM the header says the battery keeps, then the board's own.
std::vector<BatteryPart> Parts() {
    std::vector<BatteryPart> parts;
    const SupportedBoard* board = FindSupportedBoard(static_cast<int32_t>(mapperNumber));
    if (!board || !CartridgeLoaded()) return parts;
    if (board->batteryWorkRam && boardHeader.battery) {
        const size_t size =
            std::min<size_t>(boardHeader.batteryRamBytes, sizeof workRamBlock.workRam);
        if (size) parts.push_back({workRamBlock.workRam, size});
    }
    if (board->batteryMemory) {
        const BatteryPart own = board->batteryMemory(boardHeader);
        if (own.data && own.size) parts.push_back(own);
    }
    return parts;
}

std::vector<uint8_t> Gather() {
    std::vector<uint8_t> bytes;
    for (const BatteryPart& part : Parts())
        bytes.insert(bytes.end(), part.data, part.data + part.size);
    return bytes;
}

void Scatter(const std::vector<uint8_t>& bytes) {
    size_t at = 0;
    for (const BatteryPart& part : Parts()) {
        std::copy_n(bytes.begin() + static_cast<ptrdiff_t>(at), part.size, part.data);
        at += part.size;
    }
}

// "Some Game.nes" keeps its save in "Some Game.sav", as other programs name it.
std::string SaveName(const char* cartridgePath) {
    std::string name = FileNameOf(cartridgePath);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

std::string SizeText(uintmax_t bytes) {
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

void MakeSavesFolder() {
    std::error_code ignored;
    std::filesystem::create_directory(savesFolder, ignored);
}

}  // namespace

void PrepareBatterySaves(const char* dataDir) {
    savesFolder = std::string(dataDir) + "/saves";
    MakeSavesFolder();
}

bool OpenBatterySave(const char* cartridgePath) {
    CloseBatterySave();
    saved = Gather();
    if (saved.empty()) return true;
    const std::string name = SaveName(cartridgePath);
    saveOwner = LoadedCartridgeIdentity();
    StateFileChoice choice = ChooseStateFile(savesFolder, name, saveOwner, saved.size(), ".sav");
    savePath = choice.path;
    saveRecorded = choice.recorded;
    lastTimedWrite = std::chrono::steady_clock::now();
    const std::string plain = savesFolder + "/" + name + ".sav";
    if (savePath.empty()) {
        batteryError = "every save file name for " + name + " in " + savesFolder +
                       " belongs to another cartridge: the game's saves will not be kept";
        return false;
    }
    // A file of the plain name that was passed over (not recorded for another
    // cartridge, but of another size) is the player's: say why it was not taken.
    std::error_code error;
    bool passedOver = savePath != plain && std::filesystem::is_regular_file(plain, error) &&
                      !std::filesystem::exists(plain + ".owner", error);
    if (passedOver) {
        batteryError = plain + " has " + SizeText(std::filesystem::file_size(plain, error)) +
                       ", not the " + SizeText(saved.size()) +
                       " this cartridge keeps: it was not loaded and is left as it is; this "
                       "cartridge saves to " +
                       savePath;
    }
    std::vector<uint8_t> bytes;
    ReadOutcome outcome = ReadUserFile(savePath, saved.size(), bytes);
    if (outcome == ReadOutcome::kMissing) return !passedOver;
    if (outcome == ReadOutcome::kRead && bytes.size() == saved.size()) {
        Scatter(bytes);
        saved = std::move(bytes);
        return !passedOver;
    }
    batteryError = savePath + " " +
                   (outcome == ReadOutcome::kRead || outcome == ReadOutcome::kTooLarge
                        ? "is not " + SizeText(saved.size()) + " long"
                        : std::string(ReadOutcomeText(outcome))) +
                   ": it was not loaded, and is kept as it is";
    // A folder or a device in its place is no file of the player's to move.
    saveRefused = outcome != ReadOutcome::kNotRegular;
    return false;
}

bool WriteBatterySave() {
    if (savePath.empty()) return true;
    std::vector<uint8_t> bytes = Gather();
    if (bytes == saved) return true;
    batteryError.clear();
    batterySetAside.clear();
    MakeSavesFolder();
    std::string why;
    if (!saveRecorded) {
        if (!RecordStateFileOwner(savePath, saveOwner, why)) {
            batteryError = "the game's save was not written to " + savePath + ": " + why;
            return false;
        }
        saveRecorded = true;
    }
    if (saveRefused) {
        batterySetAside = SetAsideUserFile(savePath, ".refused");
        if (batterySetAside.empty()) {
            batteryError = "cannot set aside the refused " + savePath;
            return false;
        }
        saveRefused = false;
    }
    if (!ReplaceUserFile(savePath, bytes.data(), bytes.size(), why)) {
        batteryError = "the game's save was not written to " + savePath + ": " + why;
        return false;
    }
    saved = std::move(bytes);
    return true;
}

bool WriteBatterySaveOnTime() {
    if (savePath.empty()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTimedWrite < kWriteInterval) return true;
    lastTimedWrite = now;
    return WriteBatterySave();
}

void CloseBatterySave() {
    savePath.clear();
    saved.clear();
    saveRefused = false;
    batteryError.clear();
    batterySetAside.clear();
}

bool HasBatterySave() {
    return !savePath.empty();
}

const std::string& BatterySavePath() {
    return savePath;
}

}  // namespace morvel
