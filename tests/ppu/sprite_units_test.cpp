// The sprite pixel function against a literal model of the eight output
// units: each call, every unit in use counts down its X or shifts one pixel
// out, and the first opaque one gives the pixel.
#include <random>

#include "ppu/ppu_fixture.h"
#include "ppu/ppu_internal.h"

namespace morvel::test {
namespace {

uint32_t ModelPixel(SpriteUnit* units, uint32_t count) {
    uint32_t result = 0;
    for (uint32_t i = 0; i < count; ++i) {
        SpriteUnit& u = units[i];
        if (u.xCounter != 0) {
            u.xCounter--;
            continue;
        }
        uint32_t p;
        if (u.attributes & 0x40) {
            p = ((u.patternHi & 1) << 1) | (u.patternLo & 1);
            u.patternLo >>= 1;
            u.patternHi >>= 1;
        } else {
            p = ((u.patternHi >> 7) << 1) | (u.patternLo >> 7);
            u.patternLo = static_cast<uint8_t>(u.patternLo << 1);
            u.patternHi = static_cast<uint8_t>(u.patternHi << 1);
        }
        if (result == 0 && p != 0)
            result = (u.attributes & 0x20) | u.sprite0 | ((u.attributes & 3) << 2) | p;
    }
    return result;
}

using SpriteUnits = PpuTest;

TEST_F(SpriteUnits, PixelsAndSettledUnitsMatchTheModel) {
    std::mt19937 random(12345);
    for (int line = 0; line < 300; ++line) {
        const uint32_t count = random() % 9;
        ppu.lineSpriteCount = count;
        for (SpriteUnit& u : ppu.spriteUnits) {
            u.patternLo = static_cast<uint8_t>(random());
            u.patternHi = static_cast<uint8_t>(random());
            u.attributes = static_cast<uint8_t>(random());
            u.sprite0 = (random() % 8 == 0) ? 0x80 : 0;
            u.xCounter = (random() % 4 == 0) ? random() % 8 : random() % 260;
        }
        SpriteUnit model[8];
        std::memcpy(model, ppu.spriteUnits, sizeof model);
        // Some lines stop calling part-way, as when sprites are switched off.
        const uint32_t calls = (line % 3 == 0) ? random() % 256 : 256;
        for (uint32_t call = 0; call < calls; ++call)
            ASSERT_EQ(SpritePixel(), ModelPixel(model, count))
                << "line " << line << " call " << call;
        SettleSpriteUnits(ppu);
        for (uint32_t i = 0; i < 8; ++i) {
            ASSERT_EQ(ppu.spriteUnits[i].xCounter, model[i].xCounter)
                << "line " << line << " unit " << i;
            ASSERT_EQ(ppu.spriteUnits[i].patternLo, model[i].patternLo)
                << "line " << line << " unit " << i;
            ASSERT_EQ(ppu.spriteUnits[i].patternHi, model[i].patternHi)
                << "line " << line << " unit " << i;
        }
    }
}

}  // namespace
}  // namespace morvel::test
