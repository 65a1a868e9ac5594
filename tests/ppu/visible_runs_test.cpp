// The rendering step takes the visible dots of a line in runs when it knows
// the pixel sources. Whatever the run lengths and whatever the game changes
// between them, the picture and the PPU's state must be those of the same
// frames drawn dot by dot through the pixel-source pointers.
#include <random>
#include <vector>

#include "ppu/ppu_internal.h"
#include "ppu_fixture.h"

namespace morvel::test {
namespace {

// Sources the run does not recognise, so it calls them dot by dot.
uint32_t PointerBackground() {
    return BackgroundPixel();
}
uint32_t PointerSprites() {
    return SpritePixel();
}

void UsePointerSources() {
    if (bgPixelSource == BackgroundPixel) bgPixelSource = PointerBackground;
    if (spritePixelSource == SpritePixel) spritePixelSource = PointerSprites;
}

uint64_t Fingerprint(const void* data, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    uint64_t hash = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// What one pass records: the state after every step and each frame's picture.
struct Recording {
    std::vector<uint64_t> states;
    std::vector<uint64_t> pictures;
};

class VisibleRuns : public PpuTest {
   protected:
    // Random patterns, nametables, palette and sprites (some of them 8x16,
    // sprite 0 over the background), then three frames in steps of random
    // length with scroll, address, control and mask writes between them.
    static Recording Draw(uint32_t seed, bool pointerSources) {
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
            const uint32_t tile = ppu.oam[1] & 0xFE;
            for (uint32_t table : {0u, 0x1000u})
                for (uint32_t i = 0; i < 32; ++i) chrRam[table + tile * 16 + i] = 0xFF;
        }
        Read(0x2002);
        Write(0x2005, static_cast<uint8_t>(random()));
        Write(0x2005, static_cast<uint8_t>(random()));
        Write(0x2000, static_cast<uint8_t>(random() & 0x38));
        Write(0x2001, 0x1E);
        if (pointerSources) UsePointerSources();

        Recording recording;
        pixelCursor = frameBuffer;
        int frames = 0;
        while (frames < 3) {
            if (random() % 40 == 0) {
                const uint32_t choice = random() % 6;
                const uint8_t value = static_cast<uint8_t>(random());
                switch (choice) {
                    case 0: Write(0x2005, value); break;
                    case 1: Write(0x2006, value); break;
                    case 2: Write(0x2000, value & 0x38); break;
                    case 3: Read(0x2002); break;
                    default: {
                        // Mostly both layers, also one of them, clipped or not, or off.
                        const uint8_t masks[] = {0x1E, 0x1E, 0x18, 0x08, 0x0A, 0x10, 0x14, 0x00};
                        Write(0x2001, masks[value & 7]);
                        if (pointerSources) UsePointerSources();
                        break;
                    }
                }
            }
            const int32_t length = random() % 30 == 0 ? 1 + random() % 400 : 1 + random() % 24;
            ppuStep(ppu.ppuCyclesDone + length);
            recording.states.push_back(Fingerprint(&ppu, sizeof ppu));
            if (ppu.scanline == 0 && ppu.dot == 0 && ppu.ppuCyclesDone != 0) {
                ppu.ppuCyclesDone = 0;  // the frame ended
                recording.pictures.push_back(
                    Fingerprint(frameBuffer, sizeof(uint32_t) * kFrameWidth * 240));
                pixelCursor = frameBuffer;
                ++frames;
            }
        }
        return recording;
    }

    void Restart() {
        TearDown();
        SetUp();
    }
};

TEST_F(VisibleRuns, MatchTheDotByDotPicture) {
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        const Recording runs = Draw(seed, false);
        Restart();
        const Recording dots = Draw(seed, true);
        Restart();
        ASSERT_EQ(runs.pictures.size(), 3u);
        ASSERT_EQ(runs.states.size(), dots.states.size()) << "seed " << seed;
        for (size_t i = 0; i < runs.states.size(); ++i)
            ASSERT_EQ(runs.states[i], dots.states[i]) << "seed " << seed << ", step " << i;
        EXPECT_EQ(runs.pictures, dots.pictures) << "seed " << seed;
    }
}

}  // namespace
}  // namespace morvel::test
