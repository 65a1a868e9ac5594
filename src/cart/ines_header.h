// The 16-byte iNES header, read the same way by the loader, the header peek
// and the ROM browser.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvel {

constexpr size_t kInesHeaderBytes = 16;

// What the header says, as used: of bytes 8-15 only the NES 2.0 submapper is
// read, and the battery bit is ignored.
struct InesHeader {
    uint32_t mapper;     // byte 7's high nibble above byte 6's
    uint32_t submapper;  // byte 8's high nibble in an NES 2.0 header, else 0
    uint32_t prgUnits;   // 16 KB units of PRG ROM
    uint32_t chrUnits;   // 8 KB units of CHR ROM, 0 for CHR RAM
    uint32_t mirroring;  // MirroringMode: 4 four-screen, else 0 horizontal, 1 vertical
    bool trainer;        // 512 bytes sit between the header and PRG
};

enum class HeaderCheck {
    kOk,
    kTooShort,  // fewer than 16 bytes: not an image at all
    kNoMark,    // does not begin with "NES"
};

// Reads a header from the first bytes of a file; the header fields are set
// only when the result is kOk. Byte 3 (usually $1A) is not checked.
HeaderCheck ParseInesHeader(const uint8_t* bytes, size_t size, InesHeader& header);

}  // namespace morvel
