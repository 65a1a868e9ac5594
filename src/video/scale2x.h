// Scale2x: doubles a picture in both directions, rounding the staircase of
// diagonal edges while keeping flat areas and lone pixels as they are.
#pragma once

#include <cstdint>

namespace morvel {

// Reads w x h pixels (w per row) from source and writes 2w x 2h pixels (2w per
// row) to destination. Pixels are compared as whole 32-bit values; a neighbour
// outside the picture counts as the pixel itself. source and destination must
// not overlap.
void Scale2x(const uint32_t* source, int w, int h, uint32_t* destination);

// The same for source rows first .. last - 1 only (their neighbours above and
// below still read from the picture): destination rows 2 first .. 2 last - 1
// are written exactly as Scale2x writes them, the others left alone.
void Scale2xRows(const uint32_t* source, int w, int h, int first, int last, uint32_t* destination);

// Columns first .. last - 1 of one row: above and below are the rows the
// neighbours B and H come from (the row itself at the picture's top and
// bottom), w the row's width. Writes destination columns 2 first .. 2 last - 1
// of the two rows it makes, out0 and out1, as Scale2x writes them.
void Scale2xSpan(const uint32_t* above, const uint32_t* row, const uint32_t* below, int w,
                 int first, int last, uint32_t* out0, uint32_t* out1);

}  // namespace morvel
