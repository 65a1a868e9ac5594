// The 16-byte iNES header, read the same way by the loader, the header peek
// and the ROM browser. An NES 2.0 header (byte 7 bits 2-3 equal to 2) says
// more: a 12-bit mapper number, the submapper, larger images, the memories
// on the board and the console the cartridge was made for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvel {

constexpr size_t kInesHeaderBytes = 16;

// The console a cartridge was made for (NES 2.0 byte 12, bits 0-1).
enum class CartridgeTiming : uint8_t { kNtsc, kPal, kMultiRegion, kDendy };

struct InesHeader {
    bool nes20;          // the header is of the NES 2.0 format
    uint32_t mapper;     // byte 7's high nibble above byte 6's (and byte 8's low nibble in NES 2.0)
    uint32_t submapper;  // byte 8's high nibble in an NES 2.0 header, else 0
    uint64_t prgBytes;   // PRG ROM
    uint64_t chrBytes;   // CHR ROM, 0 for CHR RAM
    uint32_t mirroring;  // MirroringMode: 4 four-screen, else 0 horizontal, 1 vertical
    bool trainer;        // 512 bytes sit between the header and PRG
    bool battery;        // byte 6 bit 1: the board keeps memory powered by a battery
    // NES 2.0 only (0 in an iNES 1.0 header, where the board decides).
    uint32_t prgRamBytes;    // work RAM lost at power-off
    uint32_t prgNvramBytes;  // work RAM (or other memory) kept by the battery
    uint32_t chrRamBytes;
    uint32_t chrNvramBytes;
    CartridgeTiming timing;
    uint8_t
        consoleType;   // byte 7 bits 0-1: 0 the console itself, 1 Vs. System, 2 PlayChoice, 3 other
    uint8_t miscRoms;  // byte 14 bits 0-1: ROMs after CHR the header does not describe
};

enum class HeaderCheck {
    kOk,
    kTooShort,  // fewer than 16 bytes: not an image at all
    kNoMark,    // does not begin with "NES"
};

// Reads a header from the first bytes of a file; the header fields are set
// only when the result is kOk. Byte 3 (usually $1A) is not checked. In an
// iNES 1.0 header bytes 8-15 and byte 7's low bits are not read.
HeaderCheck ParseInesHeader(const uint8_t* bytes, size_t size, InesHeader& header);

// What of an NES 2.0 header this program cannot give the cartridge, in words
// for the player ("made for PAL consoles", ...); empty when it can. Sizes are
// checked by the loader against the board.
std::string UnsupportedHeaderFeature(const InesHeader& header);

}  // namespace morvel
