// The program's own INI reader and writer. It reads a file in pieces of at most
// 63 bytes, the way the settings have always been read, and rewrites keys
// through a copy that replaces the file, keeping every other line byte for
// byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/user_files.h"

namespace morvel {

// A line is read into a buffer of this size; a longer line is read as several
// pieces, each taken as a line of its own. Values are returned in a buffer of
// the same size.
constexpr int kIniLineSize = 64;

// The largest configuration file read. The program's own is about 400 bytes;
// anything much larger is not one, and is neither read nor replaced.
constexpr size_t kIniMaxBytes = 256 * 1024;

// Reads the whole file: only a regular file of at most kIniMaxBytes (a FIFO or
// a device would block or never end). text is empty unless kRead.
ReadOutcome IniReadFile(const char* path, std::string& text);

// IniGetString and IniGetInteger on a file's text already read.
int IniFindString(const std::string& text, const char* section, const char* key, char* destination);
int32_t IniFindInteger(const std::string& text, const char* section, const char* key,
                       int32_t defaultValue);

// Looks the key up in the section (names compared without regard to ASCII
// case; an empty section name means the keys before the first section).
// Returns 1 and the value, at most 63 characters, when found; 0 otherwise,
// destination then holding an empty string.
int IniGetString(const char* path, const char* section, const char* key, char* destination);

// The key's value as a whole number: hexadecimal when its second character is
// 'x' or 'X', decimal otherwise, stopping at the first character that is not a
// digit. A missing key or an empty value gives the default.
int32_t IniGetInteger(const char* path, const char* section, const char* key, int32_t defaultValue);

struct IniSetting {
    const char* section;
    const char* key;
    const char* value;
};

// Writes settings, each as IniPutString would, in one replacement of the
// file: the new text is written beside it, flushed and renamed over it (a
// link is followed, the permissions and owner are kept). A file that does not
// exist is created; when every key already holds its value the file is left
// untouched. Returns 0 (why set, the file as it was) when the file cannot be
// read (not a regular file, too large) or replaced (read-only, no room).
int IniPutStrings(const char* path, const IniSetting* settings, size_t count, std::string& why);

// Replaces the section's lines with the given keys, in their order (section
// names in settings are not used): the program's own sections, whose keys
// come and go, are rewritten whole. Every other line is kept as it was; the
// file is replaced as IniPutStrings replaces it, and returns the same.
int IniPutSection(const char* path, const char* section, const IniSetting* settings, size_t count,
                  std::string& why);

// Writes one setting through IniPutStrings. Returns 1 on success, 0 when
// nothing could be written.
int IniPutString(const char* path, const char* section, const char* key, const char* value);

// Reads a value the way IniGetInteger converts it.
int32_t IniParseInteger(const char* text);

}  // namespace morvel
