#include "video/scale2x.h"

namespace morvel {

namespace {

// One source row: above, row and below are the rows B, E and H come from (the
// row itself at the picture's top and bottom edges).
void ScaleRow(const uint32_t* above, const uint32_t* row, const uint32_t* below, int w,
              uint32_t* out0, uint32_t* out1) {
    for (int x = 0; x < w; ++x) {
        uint32_t e = row[x];
        uint32_t b = above[x];
        uint32_t h = below[x];
        uint32_t d = x > 0 ? row[x - 1] : e;
        uint32_t f = x + 1 < w ? row[x + 1] : e;
        uint32_t e0 = e, e1 = e, e2 = e, e3 = e;
        if (b != h && d != f) {
            if (d == b) e0 = d;
            if (b == f) e1 = f;
            if (d == h) e2 = d;
            if (h == f) e3 = f;
        }
        out0[2 * x] = e0;
        out0[2 * x + 1] = e1;
        out1[2 * x] = e2;
        out1[2 * x + 1] = e3;
    }
}

}  // namespace

void Scale2x(const uint32_t* source, int w, int h, uint32_t* destination) {
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = source + y * w;
        const uint32_t* above = y > 0 ? row - w : row;
        const uint32_t* below = y + 1 < h ? row + w : row;
        uint32_t* out0 = destination + 2 * y * 2 * w;
        ScaleRow(above, row, below, w, out0, out0 + 2 * w);
    }
}

}  // namespace morvel
