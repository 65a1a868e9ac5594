// The PPU where the outside cartridges and the picture cartridge do not
// reach: sprite evaluation and sprite-0 hit edge cases, the precomputed
// sprite line against the eight output units, and the visible-run renderer
// against the dot-by-dot one.
#include "ppu/ppu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "cart/board.h"
#include "core/cpu.h"
#include "core/frame_buffer.h"
#include "ppu/ppu_internal.h"
#include "support/test_machine.h"

namespace morvel::test {
namespace {

// An NROM cartridge with CHR RAM and vertical mirroring, loaded in-process.
class Ppu : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_EQ(LoadImage(MakeInesImage(0, 1, 0, 0x01)), 1);
        cpu.nmiPending = 0;
        cpu.interruptDelay = 0;
        pixelCursor = frameBuffer;
    }
    static void Write(uint32_t address, uint8_t value) { PpuRegisterWrite(address, value); }
    static uint8_t Read(uint32_t address) { return PpuRegisterRead(address); }
};

// Sprite 0 (behind the background) sits on lines 101-108 at the given X;
// sprites 1..others stand on the same lines at X = 10, 20, ... 80. A whole
// frame is drawn, up to vertical blank, before the flags are cleared.
TEST_F(Ppu, SpriteEvaluationAndSpriteZeroHit) {
    const struct {
        const char* what;
        uint8_t x, tile, others, background, mask;
        uint32_t hit, overflow;
    } cases[] = {
        {"over the background", 100, 1, 0, 1, 0x1E, 0x40, 0},
        {"over the backdrop", 100, 1, 0, 0, 0x1E, 0, 0},
        {"background off", 100, 1, 0, 1, 0x16, 0, 0},
        {"sprites off", 100, 1, 0, 1, 0x0E, 0, 0},
        {"never at x = 255", 255, 1, 0, 1, 0x1E, 0, 0},
        {"x = 254", 254, 1, 0, 1, 0x1E, 0x40, 0},
        {"left column shown", 0, 1, 0, 1, 0x1E, 0x40, 0},
        {"left column hidden", 0, 1, 0, 1, 0x18, 0, 0},
        {"left column background hidden", 0, 1, 0, 1, 0x1C, 0, 0},
        {"left column sprites hidden", 0, 1, 0, 1, 0x1A, 0, 0},
        {"one pixel right of the column", 1, 1, 0, 1, 0x18, 0x40, 0},
        {"sprite 1's pixels do not count", 10, 0, 1, 1, 0x1E, 0, 0},
        {"eight on a line", 100, 1, 7, 0, 0x1E, 0, 0},
        {"nine on a line", 100, 1, 8, 0, 0x1E, 0, 0x20},
    };
    for (const auto& c : cases) {
        SetUp();
        std::memset(chrRam, 0, 32);
        std::memset(chrRam + 16, 0xFF, 8);  // tile 1: solid colour 1
        std::memset(ppu.nametableRam[0], c.background, 960);
        std::memset(ppu.nametableRam[0] + 960, 0, 64);
        ppu.paletteRam[0] = 0x0F;
        ppu.paletteRam[1] = 0x01;
        ppu.paletteRam[0x11] = 0x11;
        std::memset(ppu.oam, 0xFF, 256);
        for (int i = 0; i <= c.others; ++i) {
            const uint8_t sprite[4] = {100, i ? uint8_t{1} : c.tile, i ? uint8_t{0} : uint8_t{0x20},
                                       i ? static_cast<uint8_t>(10 * i) : c.x};
            std::memcpy(ppu.oam + 4 * i, sprite, 4);
        }
        Read(0x2002);
        Write(0x2000, 0x00);
        Write(0x2001, c.mask);
        // To the end of the frame under way.
        ppuStep(ppu.ppuCyclesDone + (262 - ppu.scanline) * 341 - ppu.dot);
        ppu.ppuCyclesDone = 0;
        pixelCursor = frameBuffer;
        ppuStep(241 * 341);
        EXPECT_EQ(ppu.sprite0Hit, c.hit) << c.what;
        EXPECT_EQ(ppu.spriteOverflow, c.overflow) << c.what;
        const uint32_t under = masterPalette[c.background ? 0x01 : 0x0F];
        for (int i = 1; i <= c.others; ++i) {
            const uint32_t* line = frameBuffer + 100 * kFrameWidth + 10 * i + 3;
            EXPECT_EQ(line[kFrameWidth], i < 8 ? masterPalette[0x11] : under) << c.what << i;
            EXPECT_EQ(line[0], under) << c.what << ", sprite " << i << " a line early";
        }
    }
}

// The eight sprite output units written out: each call, every unit in use
// counts down its X or shifts one pixel out, and the first opaque one gives
// the pixel.
uint32_t ModelPixel(SpriteUnit* units, uint32_t count) {
    uint32_t result = 0;
    for (uint32_t i = 0; i < count; ++i) {
        SpriteUnit& u = units[i];
        if (u.xCounter != 0) {
            u.xCounter--;
            continue;
        }
        const bool flip = u.attributes & 0x40;
        const uint32_t p = flip ? ((u.patternHi & 1) << 1) | (u.patternLo & 1)
                                : ((u.patternHi >> 7) << 1) | (u.patternLo >> 7);
        u.patternLo = static_cast<uint8_t>(flip ? u.patternLo >> 1 : u.patternLo << 1);
        u.patternHi = static_cast<uint8_t>(flip ? u.patternHi >> 1 : u.patternHi << 1);
        if (result == 0 && p != 0)
            result = (u.attributes & 0x20) | u.sprite0 | ((u.attributes & 3) << 2) | p;
    }
    return result;
}

// The sprite line worked out ahead, and the units settled after a line that
// stopped part-way (as when sprites are switched off), against the model.
TEST_F(Ppu, SpritePixelsAndSettledUnitsMatchTheOutputUnits) {
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
        const uint32_t calls = (line % 3 == 0) ? random() % 256 : 256;
        for (uint32_t call = 0; call < calls; ++call)
            ASSERT_EQ(SpritePixel(), ModelPixel(model, count)) << "line " << line << ", " << call;
        SettleSpriteUnits(ppu);
        for (uint32_t i = 0; i < 8; ++i) {
            const SpriteUnit& u = ppu.spriteUnits[i];
            ASSERT_EQ(std::tie(u.xCounter, u.patternLo, u.patternHi),
                      std::tie(model[i].xCounter, model[i].patternLo, model[i].patternHi))
                << "line " << line << " unit " << i;
        }
    }
}

uint64_t Fingerprint(const void* data, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    uint64_t hash = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// Random patterns, nametables, palette and sprites (some of them 8x16, sprite
// 0 over the background), then three frames in steps of random length with
// scroll, address, control and mask writes between them. Returns the state
// after every step, and each frame's picture.
std::vector<uint64_t> Draw(uint32_t seed, bool pointerSources) {
    std::mt19937 random(seed);
    for (uint8_t& byte : chrRam) byte = static_cast<uint8_t>(random());
    for (auto& table : ppu.nametableRam)
        for (uint8_t& byte : table) byte = static_cast<uint8_t>(random());
    for (uint8_t& entry : ppu.paletteRam) entry = static_cast<uint8_t>(random() & 0x3F);
    for (uint8_t& byte : ppu.oam) byte = static_cast<uint8_t>(random());
    ppu.oam[0] = 40;  // sprite 0 on lines 41-56, over the background
    ppu.oam[3] = static_cast<uint8_t>(random() % 250);
    if (seed > 6) {
        // Sprite 0 opaque everywhere and at x = 255, where it never hits.
        ppu.oam[3] = 255;
        for (uint32_t table : {0u, 0x1000u})
            std::memset(chrRam + table + (ppu.oam[1] & 0xFE) * 16, 0xFF, 32);
    }
    // With pointerSources, sources the run does not recognise, so it calls them dot by dot.
    auto setMask = [pointerSources](uint8_t mask) {
        PpuRegisterWrite(0x2001, mask);
        if (pointerSources && bgPixelSource == BackgroundPixel)
            bgPixelSource = [] { return BackgroundPixel(); };
        if (pointerSources && spritePixelSource == SpritePixel)
            spritePixelSource = [] { return SpritePixel(); };
    };
    PpuRegisterRead(0x2002);
    PpuRegisterWrite(0x2005, static_cast<uint8_t>(random()));
    PpuRegisterWrite(0x2005, static_cast<uint8_t>(random()));
    PpuRegisterWrite(0x2000, static_cast<uint8_t>(random() & 0x38));
    setMask(0x1E);
    std::vector<uint64_t> recording;
    pixelCursor = frameBuffer;
    ppuFrameReady = 0;
    for (int frames = 0; frames < 3;) {
        if (random() % 40 == 0) {
            const uint32_t choice = random() % 6;
            const uint8_t value = static_cast<uint8_t>(random());
            // Mostly both layers, also one of them, clipped or not, or off.
            const uint8_t masks[] = {0x1E, 0x1E, 0x18, 0x08, 0x0A, 0x10, 0x14, 0x00};
            if (choice == 0) PpuRegisterWrite(0x2005, value);
            if (choice == 1) PpuRegisterWrite(0x2006, value);
            if (choice == 2) PpuRegisterWrite(0x2000, value & 0x38);
            if (choice == 3) PpuRegisterRead(0x2002);
            if (choice >= 4) setMask(masks[value & 7]);
        }
        const int32_t length = random() % 30 == 0 ? 1 + random() % 400 : 1 + random() % 24;
        ppuStep(ppu.ppuCyclesDone + length);
        recording.push_back(Fingerprint(&ppu, sizeof ppu));
        if (ppuFrameReady) {  // the picture is complete
            ppuFrameReady = 0;
            recording.push_back(Fingerprint(frameBuffer, sizeof(uint32_t) * kFrameWidth * 240));
            ++frames;
        }
    }
    return recording;
}

// Whatever the run lengths and whatever the game changes between them, the
// visible-run renderer leaves the PPU state and the pictures of the same
// frames drawn dot by dot through the pixel-source pointers.
TEST_F(Ppu, VisibleRunsMatchTheDotByDotPicture) {
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        SetUp();
        const std::vector<uint64_t> runs = Draw(seed, false);
        SetUp();
        const std::vector<uint64_t> dots = Draw(seed, true);
        ASSERT_EQ(runs.size(), dots.size()) << "seed " << seed;
        for (size_t i = 0; i < runs.size(); ++i)
            ASSERT_EQ(runs[i], dots[i]) << "seed " << seed << ", step " << i;
    }
}

}  // namespace
}  // namespace morvel::test
