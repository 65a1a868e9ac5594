// Linear filtering of a picture to another width, rows kept as they are: the
// NES aspect ratio's window at 2X and 4X, where the enlarged surface has as
// many rows as the window and only the width changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace morvel {

class Widener {
   public:
    // Output column i is read at source column (i + 0.5) * from / to - 0.5 in
    // 16.16 fixed point, blended from the two source columns around it with
    // a weight in 256ths and cut back to 8 bits a channel (the sampling and
    // rounding of Qt's smooth scaling). Off either end the edge column is
    // taken whole. Alpha is set. from must be at least 2.
    void Widen(const uint32_t* source, size_t sourceStride, int from, int rows, uint32_t* target,
               size_t targetStride, int to);

   private:
    // Output column i blends source columns left_[i] and left_[i] + 1, the
    // second weighing right 256ths (256 past the right end): each 8-bit
    // channel of the pair is multiplied by weights_[i], (256 - right) four
    // times and right four times.
    struct Weights {
        alignas(16) uint16_t lanes[8];
    };
    void BuildTaps(int from, int to);
    std::vector<int32_t> left_;
    std::vector<Weights> weights_;
    int from_ = 0;
};

}  // namespace morvel
