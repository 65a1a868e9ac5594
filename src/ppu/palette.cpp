// The console's colours, as $2001's greyscale and emphasis bits show them,
// and the 32 bytes of palette memory.
#include <cstring>

#include "ppu/ppu_visible_run.h"

namespace morvel {

// clang-format off
constexpr uint32_t masterPalette[64] = {
    // +0       +1        +2        +3        +4        +5        +6        +7
    0x757575, 0x271B8F, 0x0000AB, 0x47009F, 0x8F0077, 0xAB0013, 0xA70000, 0x7F0B00,  // $00 dark
    0x432F00, 0x004700, 0x005100, 0x003F17, 0x1B3F5F, 0x000000, 0x000000, 0x000000,  // $08
    0xBCBCBC, 0x0073EF, 0x233BEF, 0x8300F3, 0xBF00BF, 0xE7005B, 0xDB2B00, 0xCB4F0F,  // $10 medium
    0x8B7300, 0x009700, 0x00AB00, 0x00933B, 0x00838B, 0x000000, 0x000000, 0x000000,  // $18
    0xFFFFFF, 0x3FBFFF, 0x5F97FF, 0xA78BFD, 0xF77BFF, 0xFF77B7, 0xFF7763, 0xFF9B3B,  // $20 light
    0xF3BF3F, 0x83D313, 0x4FDF4B, 0x58F898, 0x00EBDB, 0x000000, 0x000000, 0x000000,  // $28
    0xFFFFFF, 0xABE7FF, 0xC7D7FF, 0xD7CBFF, 0xFFC7FF, 0xFFC7DB, 0xFFBFB3, 0xFFDBAB,  // $30 pale
    0xFFFFA3, 0xE3FFA3, 0xABF3BF, 0xB3FFCF, 0x9FFFF3, 0x000000, 0x000000, 0x000000,  // $38
};
// clang-format on

namespace {

// An emphasis bit darkens the two colour components it does not name: the
// PPU lowers the signal by this factor over the part of each colour cycle
// that belongs to them. With all three bits set every component is darkened
// once, the whole picture by the factor. Columns $xE and $xF are black and
// stay unchanged.
constexpr uint32_t kAttenuationPerMille = 746;

constexpr uint32_t Emphasised(uint32_t colour, uint32_t index, uint32_t emphasis) {
    if ((index & 0x0E) == 0x0E) return colour;
    uint32_t result = 0;
    // Component shift in 0x00RRGGBB and its emphasis bit (bit 0 red, bit 1
    // green, bit 2 blue: $2001 bits 5, 6 and 7 on the NTSC PPU).
    const uint32_t shifts[3] = {16, 8, 0};
    for (uint32_t c = 0; c < 3; ++c) {
        uint32_t level = (colour >> shifts[c]) & 0xFF;
        if (emphasis & ~(1u << c) & 7) level = (level * kAttenuationPerMille + 500) / 1000;
        result |= level << shifts[c];
    }
    return result;
}

struct PictureColourTable {
    uint32_t colour[8][64];
};
constexpr PictureColourTable BuildPictureColours() {
    PictureColourTable table{};
    for (uint32_t e = 0; e < 8; ++e)
        for (uint32_t i = 0; i < 64; ++i) table.colour[e][i] = Emphasised(masterPalette[i], i, e);
    return table;
}
constexpr PictureColourTable kPictureColours = BuildPictureColours();
static_assert(kPictureColours.colour[0][0x20] == 0xFFFFFF);
static_assert(kPictureColours.colour[7][0x20] == 0xBEBEBE);
static_assert(kPictureColours.colour[1][0x20] == 0xFFBEBE);

}  // namespace

const uint32_t (&pictureColours)[8][64] = kPictureColours.colour;

// Entry 0 of each sprite palette ($10, $14, $18, $1C) is the same memory as
// entry 0 of the matching background palette, so a write to either lands in both.
void PaletteWrite(uint32_t address, uint8_t value) {
    const uint32_t index = address & 0x1F;
    const uint8_t colour = value & 0x3F;
    ppu.paletteRam[index] = colour;
    if ((index & 3) == 0) ppu.paletteRam[index ^ 0x10] = colour;
}

PaletteColours paletteColours;
BackgroundRunCarry backgroundRunCarry;

void ForgetPaletteColours() {
    paletteColours.built = 0;
}

void BuildPaletteColours(const PpuState& p) {
    std::memcpy(paletteColours.source, p.paletteRam, sizeof paletteColours.source);
    for (uint32_t i = 0; i < 32; ++i) {
        const uint32_t colour = PictureColour(p.paletteRam[i]);
        paletteColours.colour[i] = colour;
        paletteColours.colour[i + 32] = colour;
    }
    for (uint32_t b = 0; b < 16; ++b)
        paletteColours.background[b] = paletteColours.colour[(b & 3) ? b : 0];
    for (uint32_t pair = 0; pair < 256; ++pair) {
        const uint32_t pixels[2] = {paletteColours.background[pair >> 4],
                                    paletteColours.background[pair & 15]};
        std::memcpy(&paletteColours.backgroundPairs[pair], pixels, sizeof pixels);
    }
    paletteColours.built = 1;
}

// Palette memory holds six bits; the top two read as 0.
uint8_t PaletteRead(uint32_t address) {
    return ppu.paletteRam[address & 0x1F] & 0x3F;
}

}  // namespace morvel
