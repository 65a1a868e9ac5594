#include "core/state_file_owner.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "cart/cartridge.h"
#include "core/user_files.h"

namespace morvel {

namespace {

uint32_t Crc32(uint32_t crc, const std::vector<uint8_t>& bytes) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (uint8_t b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

enum class Owner { kNone, kThis, kOther };

// What the record beside a state file says. A record that cannot be read or
// understood counts as another cartridge's: its file is never touched.
Owner OwnerOf(const std::string& stateFile, CartridgeIdentity id) {
    std::vector<uint8_t> bytes;
    ReadOutcome outcome = ReadUserFile(stateFile + ".owner", 64, bytes);
    if (outcome == ReadOutcome::kMissing) return Owner::kNone;
    if (outcome != ReadOutcome::kRead) return Owner::kOther;
    std::string text(bytes.begin(), bytes.end());
    unsigned crc = 0, mapper = 0;
    if (std::sscanf(text.c_str(), "crc32 %8x mapper %u", &crc, &mapper) != 2) return Owner::kOther;
    return crc == id.crc && mapper == id.mapper ? Owner::kThis : Owner::kOther;
}

}  // namespace

CartridgeIdentity LoadedCartridgeIdentity() {
    return {Crc32(Crc32(0, prgRomBuffer), chrRomBuffer), mapperNumber};
}

// The candidates, in order, are "NAME.yss", "NAME (2).yss", "NAME (3).yss"...
// The cartridge takes the first one recorded as its own. Failing that, it
// takes the first one that is free (neither file nor record) or that holds a
// file of an earlier version (no record) of exactly its state file's size:
// such a file belongs to the first cartridge that opens it and fits it, and
// its record is written at once. A file recorded for another cartridge, or an
// unrecorded one of another size (another board's, or damaged), is never
// chosen, so saving never destroys another cartridge's slots. Numbered names
// are made one after the other, so the search ends at the first numbered name
// that is free.
StateFileChoice ChooseStateFile(const std::string& folder, const std::string& name,
                                CartridgeIdentity id, uintmax_t fileSize, const char* extension) {
    namespace fs = std::filesystem;
    StateFileChoice usable;
    bool adopt = false;
    for (int k = 1; k <= 100; ++k) {
        std::string path = folder + "/" + name +
                           (k > 1 ? " (" + std::to_string(k) + ")" : std::string()) + extension;
        Owner owner = OwnerOf(path, id);
        if (owner == Owner::kThis) return {path, true};
        if (owner == Owner::kOther) continue;
        // A link counts as the file it names: a link to a file yet to be made is free.
        std::error_code error;
        const bool exists = fs::exists(path, error);
        if (!usable.path.empty()) {
            if (!exists && k > 1) break;
            continue;
        }
        if (!exists) {
            usable.path = path;
            if (k > 1) break;
        } else if (fs::is_regular_file(path, error) && fs::file_size(path, error) == fileSize &&
                   !error) {
            usable.path = path;
            adopt = true;
        }
    }
    std::string ignored;
    if (adopt) usable.recorded = RecordStateFileOwner(usable.path, id, ignored);
    return usable;
}

bool RecordStateFileOwner(const std::string& stateFile, CartridgeIdentity id, std::string& why) {
    char text[48];
    int length = std::snprintf(text, sizeof text, "crc32 %08X mapper %u\n", id.crc, id.mapper);
    return ReplaceUserFile(stateFile + ".owner", text, static_cast<size_t>(length), why);
}

}  // namespace morvel
