// What differs between the systems morvel is built for, in one place: POSIX
// systems (Linux) and 64-bit Windows (mingw-w64). Files and folders, the
// user's data folder, local time, the resident memory and standard output.
// Paths are UTF-8 on both; the Windows program declares UTF-8 as its code
// page (resources/windows/morvel.manifest), so narrow names reach the system
// unchanged.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "core/user_files.h"

namespace morvel::os {

// Opens a regular file for reading without waiting for a FIFO's writer;
// nullptr (outcome set) for anything else. size: its size when opened.
std::FILE* OpenRegularFile(const std::string& path, ReadOutcome& outcome, uint64_t& size);

// True when path names a regular file (links followed).
bool IsRegularFile(const std::string& path);

// True when something (a file, folder or dangling link) has this name.
bool NameTaken(const std::string& path);

// Follows symbolic links to the file they name, which need not exist yet.
std::string FollowLinks(const std::string& path);

// The part of a path before its last separator ('/', and '\' on Windows);
// "." for a bare name.
std::string FolderOf(const std::string& path);

// Makes a new file beside target for its replacement, with the target's
// permissions (and owner, where the system has them). nullptr with why set
// when the target is not a regular file, is read-only, or the new file
// cannot be made; temporary: the new file's name.
std::FILE* CreateBeside(const std::string& target, std::string& temporary, std::string& why);

// Makes a new file at path, only if the name is free (taken: it was not).
std::FILE* CreateNewFile(const std::string& path, bool& taken);

// True when path names a character or block device.
bool IsDevice(const std::string& path);

// Flushes the file's data to the disk.
bool FlushToDisk(std::FILE* file);

// Puts from in the place of to in one step, replacing a file already there.
bool MoveOver(const std::string& from, const std::string& to);

// Flushes a folder's entries (a rename in it) to the disk, where that exists.
void SyncFolder(const std::string& folder);

// Moves the file position to a 64-bit offset, and cuts the file there.
bool SeekTo(std::FILE* file, uint64_t offset);
bool TruncateAt(std::FILE* file, uint64_t size);

// Makes a new, empty folder in the system's temporary folder whose name
// starts with prefix; empty on failure.
std::string MakeTemporaryFolder(const char* prefix);

// True when files can be made in folder.
bool FolderWritable(const std::string& folder);

// The user's own folder for morvel's data when the executable's folder is not
// writable: $XDG_DATA_HOME/morvel (~/.local/share/morvel), %APPDATA%\morvel.
std::string UserDataFolder();

// The local time of a moment.
std::tm LocalTimeOf(std::time_t moment);

// The process's resident memory in KB, or -1 when it cannot be read.
long long ResidentKilobytes();

// The DirectInput key code of a key event's native scan code (X11's key code,
// the evdev code plus 8; Windows' set-1 scan code with the extended-key bit
// at 0x100), or -1 when it names no key.
int32_t DikOfNativeScanCode(uint32_t native);

// The name of the single-instance socket: a private folder of the user's
// (the runtime folder, or one made in tmp with mode 0700); on Windows a pipe
// name with the user's name. Empty (why set) when no private place is found.
std::string InstanceSocketName(const std::string& temporaryFolder, std::string& why);

// SIGTERM and SIGINT as requests to end the program: from now on each
// writes a byte to a pipe whose reading end is returned, for the main loop to
// watch; -1 where the system has no such signals (Windows, where the end of
// the session reaches the program through its window). Drain empties the
// pipe; Stop gives the signals back their default action.
int StartEndSignals();
void DrainEndSignals(int descriptor);
void StopEndSignals();

// Standard output carries bytes as written (no CR added before LF).
void BinaryStandardOutput();

}  // namespace morvel::os
