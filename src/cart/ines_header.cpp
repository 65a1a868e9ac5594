#include "cart/ines_header.h"

#include <cstring>

#include "cart/board.h"

namespace morvel {

HeaderCheck ParseInesHeader(const uint8_t* bytes, size_t size, InesHeader& header) {
    if (size < kInesHeaderBytes) return HeaderCheck::kTooShort;
    if (std::memcmp(bytes, "NES", 3) != 0) return HeaderCheck::kNoMark;
    header.mapper = (bytes[7] & 0xF0u) | (bytes[6] >> 4);
    // Byte 7 bits 2-3 equal to 2 mark an NES 2.0 header, whose byte 8 carries
    // the submapper in its high nibble; an iNES 1.0 header has none.
    const bool nes20 = ((bytes[7] >> 2) & 3) == 2;
    header.submapper = nes20 ? bytes[8] >> 4 : 0;
    header.prgUnits = bytes[4];
    header.chrUnits = bytes[5];
    // Four-screen wiring (bit 3) overrides the soldered arrangement (bit 0).
    header.mirroring = (bytes[6] & 0x08) ? uint32_t{kMirrorFourScreen} : (bytes[6] & 0x01u);
    header.trainer = (bytes[6] & 0x04) != 0;
    return HeaderCheck::kOk;
}

}  // namespace morvel
