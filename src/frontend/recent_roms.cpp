#include "frontend/recent_roms.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "core/host.h"
#include "frontend/front_end.h"
#include "frontend/ini_file.h"
#include "frontend/settings.h"

namespace morvel {

std::vector<std::string> recentRoms;
std::string lastRomFolder;

namespace {

const char kRecentSection[] = "Recent Roms";
const char kFolderSection[] = "Load Rom";

// A path is kept as "%XX" escapes of the bytes the INI reader would take
// for blanks, quotes or comments, cut in parts that each fit a 63-byte line:
// keys NAME.0, NAME.1, ... A longer path than this is not remembered.
constexpr size_t kPartLength = 48;
constexpr size_t kMaxEncoded = 4096;

std::string Encode(const std::string& path) {
    std::string out;
    for (unsigned char c : path) {
        if (c <= ' ' || c >= 0x7F || c == '%' || c == ';' || c == '#' || c == '"') {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Decode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        int high = i + 2 < text.size() && text[i] == '%' ? HexDigit(text[i + 1]) : -1;
        int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ReadPath(const std::string& text, const char* section, const std::string& name) {
    std::string encoded;
    char part[kIniLineSize];
    for (size_t i = 0; encoded.size() < kMaxEncoded; ++i) {
        std::string key = name + "." + std::to_string(i);
        if (!IniFindString(text, section, key.c_str(), part) || part[0] == '\0') break;
        encoded += part;
    }
    return Decode(encoded);
}

// The keys and values of one path, added to keys and values.
void PathLines(const std::string& name, const std::string& path, std::vector<std::string>& keys,
               std::vector<std::string>& values) {
    std::string encoded = Encode(path);
    for (size_t at = 0, i = 0; at < encoded.size(); at += kPartLength, ++i) {
        keys.push_back(name + "." + std::to_string(i));
        values.push_back(encoded.substr(at, kPartLength));
    }
}

int PutSection(const char* iniPath, const char* section, const std::vector<std::string>& keys,
               const std::vector<std::string>& values, std::string& why) {
    std::vector<IniSetting> lines;
    for (size_t i = 0; i < keys.size(); ++i)
        lines.push_back({section, keys[i].c_str(), values[i].c_str()});
    return IniPutSection(iniPath, section, lines.data(), lines.size(), why);
}

void WriteToSettingsFile() {
    if (iniPath[0] != '\0') WriteRecentRoms(iniPath);
}

}  // namespace

void ReadRecentRoms(const char* path) {
    std::string text;
    IniReadFile(path, text);
    recentRoms.clear();
    for (size_t i = 1; i <= kRecentRomCount; ++i) {
        std::string rom = ReadPath(text, kRecentSection, std::to_string(i));
        if (rom.empty()) break;
        recentRoms.push_back(rom);
    }
    lastRomFolder = ReadPath(text, kFolderSection, "Folder");
}

int WriteRecentRoms(const char* path, std::string* why) {
    std::vector<std::string> keys, values;
    size_t kept = 0;
    for (const std::string& rom : recentRoms)
        if (Encode(rom).size() <= kMaxEncoded) PathLines(std::to_string(++kept), rom, keys, values);
    std::string ignored;
    std::string& reason = why ? *why : ignored;
    if (!PutSection(path, kRecentSection, keys, values, reason)) return 0;
    keys.clear();
    values.clear();
    if (Encode(lastRomFolder).size() <= kMaxEncoded)
        PathLines("Folder", lastRomFolder, keys, values);
    return PutSection(path, kFolderSection, keys, values, reason);
}

void NoteRomOpened(const char* path) {
    std::error_code error;
    std::string full = std::filesystem::absolute(path, error).lexically_normal().string();
    if (error) full = path;
    recentRoms.erase(std::remove(recentRoms.begin(), recentRoms.end(), full), recentRoms.end());
    recentRoms.insert(recentRoms.begin(), full);
    if (recentRoms.size() > kRecentRomCount) recentRoms.resize(kRecentRomCount);
    WriteToSettingsFile();
}

void NoteRomFolder(const std::string& folder) {
    if (folder == lastRomFolder) return;
    lastRomFolder = folder;
    WriteToSettingsFile();
}

int OpenRecentRom(size_t index) {
    if (index >= recentRoms.size()) return 0;
    std::string path = recentRoms[index];
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error) {
        recentRoms.erase(recentRoms.begin() + static_cast<std::ptrdiff_t>(index));
        WriteToSettingsFile();
        showErrorBox(
            (path + " no longer exists; it was taken off the list of recent roms.").c_str());
        return 0;
    }
    return OpenCartridge(path.c_str());
}

}  // namespace morvel
