// A Microsoft Video 1 ("CRAM", fourcc "msvc") encoder for 16-bit pictures.
//
// The picture is cut into 4 x 4 blocks, taken bottom row first as in a
// bottom-up bitmap. Every block is stored in one of four ways, each opened by a
// little-endian 16-bit word:
//   - skip:   $8400 + n (n = 1..1023): the next n blocks keep the previous frame;
//   - solid:  $8000 | colour, for any word that is not a skip code;
//   - two colours: a 16-bit pixel mask below $8000, then colours A and B (A with
//     its top bit clear); a set mask bit picks A;
//   - eight colours: the same mask, then eight colours, A having its top bit set,
//     a pair for each 2 x 2 quarter (bottom left, bottom right, top left, top right).
// Mask bit 4y + x belongs to pixel x of block row y, row 0 being the bottom one.
// Colours are RGB555: red in bits 10-14, green 5-9, blue 0-4.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace morvel {

struct Msvideo1Stats {
    uint32_t skipped = 0;
    uint32_t solid = 0;
    uint32_t twoColour = 0;
    uint32_t eightColour = 0;
};

class Msvideo1Encoder {
   public:
    // width and height are multiples of 4; quality runs from 0 (smallest file)
    // to 10000 (best picture); a key frame every keyInterval frames (at least 1).
    void Reset(int width, int height, int quality, int keyInterval);

    // Encodes one bottom-up picture of 0x00RRGGBB pixels, `stride` pixels per
    // row, into out (replaced). Returns true when the frame is a key frame.
    bool EncodeFrame(const uint32_t* pixels, int stride, std::vector<uint8_t>& out);

    // What the decoder shows after the last frame: RGB555, bottom row first.
    const std::vector<uint16_t>& Reconstruction() const { return shown_; }
    const Msvideo1Stats& LastFrameStats() const { return stats_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

   private:
    int width_ = 0;
    int height_ = 0;
    int keyInterval_ = 1;
    int framesSinceKey_ = 0;
    uint32_t blockThreshold_ = 0;  // squared error a block may carry, in 5-bit units
    std::vector<uint16_t> shown_;
    Msvideo1Stats stats_;
};

}  // namespace morvel
