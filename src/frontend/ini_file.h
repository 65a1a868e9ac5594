// The program's own INI reader and writer. It reads a file in pieces of at most
// 63 bytes, the way the settings have always been read, and rewrites one key at
// a time through a temporary copy, keeping every other line byte for byte.
#pragma once

#include <cstdint>

namespace morvel {

// A line is read into a buffer of this size; a longer line is read as several
// pieces, each taken as a line of its own. Values are returned in a buffer of
// the same size.
constexpr int kIniLineSize = 64;

// Looks the key up in the section (names compared without regard to ASCII
// case; an empty section name means the keys before the first section).
// Returns 1 and the value, at most 63 characters, when found; 0 otherwise,
// destination then holding an empty string.
int IniGetString(const char* path, const char* section, const char* key, char* destination);

// The key's value as a whole number: hexadecimal when its second character is
// 'x' or 'X', decimal otherwise, stopping at the first character that is not a
// digit. A missing key or an empty value gives the default.
int32_t IniGetInteger(const char* path, const char* section, const char* key, int32_t defaultValue);

// Writes one setting. A file that does not exist is created; a key that
// already holds the value leaves the file untouched; otherwise the file is
// rewritten through the temporary file named like it with its last character
// replaced by '~', which then takes the file's place. Returns 1 on success, 0
// when nothing could be written.
int IniPutString(const char* path, const char* section, const char* key, const char* value);

// The name of the temporary copy: the path with its last character replaced
// by '~'. Returns 0 when the buffer is too small or the name would be the
// path itself.
int IniTemporaryPath(const char* path, char* destination, int destinationSize);

// Reads a value the way IniGetInteger converts it.
int32_t IniParseInteger(const char* text);

}  // namespace morvel
