// The cartridges opened lately and the folder the open dialog last showed,
// kept in morvel.ini in sections of their own ("Recent Roms", "Load Rom") that
// the settings never read. Both are written as soon as they change, so a
// session that ends without closing the window keeps them too.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace morvel {

constexpr size_t kRecentRomCount = 10;

// Full paths, the newest first, at most kRecentRomCount.
extern std::vector<std::string> recentRoms;
// The folder the open dialog showed a file from last, or empty.
extern std::string lastRomFolder;

// Reads both lists from the configuration file (missing sections leave them
// empty).
void ReadRecentRoms(const char* iniPath);
// Writes both into their sections of the file. Returns 0 (why set) when the
// file could not be written.
int WriteRecentRoms(const char* iniPath, std::string* why = nullptr);

// A cartridge was opened, any way: it heads the list (as a full path, once)
// and the file at iniPath (when set) is written.
void NoteRomOpened(const char* path);
// The folder of a file chosen in the open dialog.
void NoteRomFolder(const std::string& folder);

// Opens the list's entry. A file that no longer exists is taken off the list,
// with a message box saying so; one that exists but does not load stays.
// Returns what OpenCartridge returns.
int OpenRecentRom(size_t index);

}  // namespace morvel
