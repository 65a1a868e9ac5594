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

    // The same for the Scale2x of rows first .. last - 1 of half (halfWidth
    // x halfHeight pixels): 2 (last - first) rows, as Widen gives for those
    // rows of the doubled picture, without making it. Where three rows of
    // half running down are the same over a block of columns, the doubled
    // rows there are the middle row doubled, and neither the doubling nor
    // the filtering is done again.
    void WidenDoubled(const uint32_t* half, int halfWidth, int halfHeight, int first, int last,
                      uint32_t* target, size_t targetStride, int to);

   private:
    // Output column i blends source columns left_[i] and left_[i] + 1, the
    // second weighing w 256ths (256 past the right end); weights_ holds 2 w
    // four times, one for each channel, as the vector forms take it.
    std::vector<int32_t> left_;
    std::vector<uint16_t> weights_;
    // The output columns [begin, end) that read a source column of one
    // block of kBlock.
    struct Span {
        int begin, end;
    };
    static constexpr int kBlock = 16;
    void BuildTaps(int from, int to);
    void BlendColumns(const uint32_t* row, int begin, int end);
    // Blends the spans of the blocks whose bits are set in changed.
    void BlendBlocks(const uint32_t* row, const std::vector<uint64_t>& changed);
    std::vector<Span> spans_;
    // The row being built: each source row only recomputes the columns whose
    // source blocks differ from the row before (most rows of an enlarged
    // picture repeat the one above, or nearly).
    std::vector<uint32_t> line_;
    // A bit for each block: whether its columns change from the row before.
    std::vector<uint64_t> changedUpper_, changedLower_;
    // WidenDoubled's: the two doubled rows, and the blocks where three rows
    // of the picture running down differ from the row above each.
    std::vector<uint32_t> upper_, lower_;
    std::vector<uint64_t> differs_[3];
    int from_ = 0;
};

}  // namespace morvel
