// Cartridge images in the iNES format: the header peek and the loader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cart/board_table.h"
#include "cart/ines_header.h"
#include "core/user_files.h"

namespace morvel {

extern uint8_t inesHeader[16];
extern uint32_t mapperNumber;

// The PRG and CHR images of the loaded cartridge (empty when none is loaded).
extern std::vector<uint8_t> prgRomBuffer;
extern std::vector<uint8_t> chrRomBuffer;

// Reads the header and returns the mapper number, or -1 when the file cannot
// be opened or is not an iNES image. Only a regular file is opened. When
// outcome is given it tells whether the file could be read at all (kRead even
// when its header is bad).
int32_t PeekMapperNumber(const char* path, ReadOutcome* outcome = nullptr);

// Reads the first 16 bytes of a regular file into inesHeader and parses them;
// shows nothing. kTooShort also when the file cannot be opened (see outcome).
HeaderCheck PeekHeader(const char* path, InesHeader& header, ReadOutcome* outcome = nullptr);

// The display name of the file's board, "--------" when unknown or unsupported.
std::string BoardNameOf(const char* path);

// Reads the image, sets up its board and powers the machine on. On failure
// (with the reason shown through showErrorBox) nothing of the running machine
// or the loaded cartridge has changed. Returns 1 on success, 0 on failure.
int LoadCartridge(const char* path);

// Frees the images; the machine must not run until the next load.
void ReleaseCartridge();
bool CartridgeLoaded();

}  // namespace morvel
