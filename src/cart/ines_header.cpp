#include "cart/ines_header.h"

#include <cstring>

#include "cart/board.h"

namespace morvel {

namespace {

// An NES 2.0 ROM size: the count of units, with its high four bits in byte
// 9; high bits $F mean the low byte is an exponent and a multiplier instead
// (2^E x (2M + 1) bytes). Sizes beyond what any image holds come out huge,
// and the loader refuses them (HeaderFitsBoard).
uint64_t Nes20RomBytes(uint8_t low, uint8_t high, uint64_t unit) {
    if (high != 0x0F) return ((uint64_t{high} << 8) | low) * unit;
    const uint32_t exponent = low >> 2;
    const uint64_t multiplier = uint64_t{low & 3u} * 2 + 1;
    if (exponent > 40) return ~uint64_t{0};
    return (uint64_t{1} << exponent) * multiplier;
}

// An NES 2.0 RAM size: a shift count, 0 for none, else 64 << count bytes.
uint32_t Nes20RamBytes(uint8_t shift) {
    return shift == 0 ? 0 : uint32_t{64} << shift;
}

}  // namespace

HeaderCheck ParseInesHeader(const uint8_t* bytes, size_t size, InesHeader& header) {
    if (size < kInesHeaderBytes) return HeaderCheck::kTooShort;
    if (std::memcmp(bytes, "NES", 3) != 0) return HeaderCheck::kNoMark;
    header = InesHeader{};
    header.mapper = (bytes[7] & 0xF0u) | (bytes[6] >> 4);
    header.nes20 = ((bytes[7] >> 2) & 3) == 2;
    header.prgBytes = uint64_t{bytes[4]} * 16384;
    header.chrBytes = uint64_t{bytes[5]} * 8192;
    // Four-screen wiring (bit 3) overrides the soldered arrangement (bit 0).
    header.mirroring = (bytes[6] & 0x08) ? uint32_t{kMirrorFourScreen} : (bytes[6] & 0x01u);
    header.battery = (bytes[6] & 0x02) != 0;
    header.trainer = (bytes[6] & 0x04) != 0;
    if (header.nes20) {
        header.mapper |= uint32_t{bytes[8] & 0x0Fu} << 8;
        header.submapper = bytes[8] >> 4;
        header.prgBytes = Nes20RomBytes(bytes[4], bytes[9] & 0x0F, 16384);
        header.chrBytes = Nes20RomBytes(bytes[5], bytes[9] >> 4, 8192);
        header.prgRamBytes = Nes20RamBytes(bytes[10] & 0x0F);
        header.prgNvramBytes = Nes20RamBytes(bytes[10] >> 4);
        header.chrRamBytes = Nes20RamBytes(bytes[11] & 0x0F);
        header.chrNvramBytes = Nes20RamBytes(bytes[11] >> 4);
        header.timing = static_cast<CartridgeTiming>(bytes[12] & 3);
        header.consoleType = bytes[7] & 3;
        header.miscRoms = bytes[14] & 3;
    }
    return HeaderCheck::kOk;
}

std::string UnsupportedHeaderFeature(const InesHeader& header) {
    if (!header.nes20) return {};
    if (header.timing == CartridgeTiming::kPal)
        return "The cartridge is made for PAL consoles; morvel runs the NTSC console only.";
    if (header.timing == CartridgeTiming::kDendy)
        return "The cartridge is made for Dendy consoles; morvel runs the NTSC console only.";
    static const char* const kConsoles[4] = {"", "the Vs. System arcade board",
                                             "the PlayChoice-10 arcade board",
                                             "an extended console type"};
    if (header.consoleType != 0)
        return std::string("The cartridge is made for ") + kConsoles[header.consoleType] +
               "; morvel runs the home console only.";
    if (header.miscRoms != 0)
        return "The cartridge has extra ROM chips (NES 2.0 byte 14) that morvel does not use.";
    if (header.chrNvramBytes != 0)
        return "The cartridge keeps CHR RAM by battery, which morvel does not support.";
    return {};
}

}  // namespace morvel
