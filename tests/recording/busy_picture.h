// A picture like a busy game's: 8 x 8 tiles in four-colour groups from a
// 64-colour palette, scrolling two pixels a frame, with moving sprites, so
// that nearly every block of the recording changes from frame to frame.
// With cell 1 every pixel of a tile is drawn at random (the worst case for a
// 4 x 4 block codec); with cell 2 the tiles are drawn in 2 x 2 cells, closer
// to game graphics.
#pragma once

#include <cstdint>
#include <vector>

namespace morvel::test {

class BusyPicture {
   public:
    static constexpr int kWorldWidth = 512;

    explicit BusyPicture(int cell = 1, uint32_t seed = 1) : state_(seed) {
        for (uint32_t& c : palette_) c = Next() & 0x00FFFFFF;
        world_.resize(kWorldWidth * 256);
        for (int ty = 0; ty < 32; ++ty)
            for (int tx = 0; tx < kWorldWidth / 8; ++tx) {
                // Four colours per 16 x 16 area, as the attribute table gives them.
                uint32_t group = (Next() % 16) * 4;
                uint64_t pattern = (static_cast<uint64_t>(Next()) << 32) | Next();
                uint64_t pattern2 = (static_cast<uint64_t>(Next()) << 32) | Next();
                for (int i = 0; i < 64; ++i) {
                    int bit = (i / 8 / cell * cell) * 8 + (i % 8 / cell * cell);
                    int index = static_cast<int>((pattern >> bit & 1) | (pattern2 >> bit & 1) << 1);
                    world_[(ty * 8 + i / 8) * kWorldWidth + tx * 8 + i % 8] =
                        static_cast<uint8_t>(group + index);
                }
            }
        for (Sprite& s : sprites_)
            s = {static_cast<int>(Next() % 256), static_cast<int>(Next() % 240),
                 static_cast<int>(Next() % 5) - 2, static_cast<int>(Next() % 5) - 2,
                 static_cast<uint8_t>(Next() % 64)};
    }

    // Draws frame `frame` into a 256 x 256 picture (rows 0-239 used).
    void Draw(int frame, uint32_t* picture) const {
        int scroll = frame * 2;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 256; ++x)
                picture[y * 256 + x] =
                    palette_[world_[y * kWorldWidth + (x + scroll) % kWorldWidth]];
        for (const Sprite& s : sprites_) {
            int sx = ((s.x + s.dx * frame) % 256 + 256) % 256;
            int sy = ((s.y + s.dy * frame) % 232 + 232) % 232;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8 && sx + x < 256; ++x)
                    if ((x ^ y) & 2) picture[(sy + y) * 256 + sx + x] = palette_[s.colour];
        }
    }

   private:
    struct Sprite {
        int x, y, dx, dy;
        uint8_t colour;
    };
    uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ ^ (state_ >> 15);
    }
    uint32_t state_;
    uint32_t palette_[64];
    std::vector<uint8_t> world_;
    Sprite sprites_[32];
};

}  // namespace morvel::test
