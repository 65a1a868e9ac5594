// What the fuzz targets share: a scratch folder, cartridge images built in
// memory, and frames run without a sound device or a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace morvel::fuzz {

// Once per process: a scratch folder, the mixer tables, no error boxes.
void Prepare();

// The scratch folder (for cartridge, state and configuration files).
const std::string& ScratchFolder();

// Says what went wrong on stderr and aborts, so that the fuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what);

// Writes bytes to a file in the scratch folder; returns its path.
std::string WriteScratchFile(const char* name, const uint8_t* data, size_t size);

// An iNES image: header for the mapper with PRG units of 16 KB and CHR units
// of 8 KB, the given flags 6 low nibble (with a trainer when its bit is set),
// PRG and CHR filled from `fill` repeated (zeros when it is empty).
std::vector<uint8_t> MakeImage(int mapper, int prgUnits, int chrUnits, uint8_t flags6,
                               const uint8_t* fill, size_t fillSize);

// Loads the image from the scratch folder as the front end does; true when
// the cartridge runs.
bool LoadImage(const std::vector<uint8_t>& image);

// Runs whole frames of the loaded cartridge with `buttons` held on
// controller 1, emptying the frame's samples as the sound output would.
void RunFrames(int frames, uint8_t buttons);

}  // namespace morvel::fuzz
