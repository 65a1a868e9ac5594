// The fast paths of the NES aspect ratio's picture against their plain forms,
// on random pictures of few colours (so edges, corners and repeated rows are
// many): Scale2x of whole rows against the same rows a column at a time; the
// filter of a whole picture, which redoes only the blocks that differ from the
// row above, against each row filtered alone; and the doubled filter, which
// doubles only where three rows running down differ, against Scale2x then the
// filter. One filter of each kind serves every size in turn, as in a window
// that changes size.
#include "video/widen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "video/scale2x.h"

namespace morvel {
namespace {

TEST(Widen, FastPathsMatchThePlainOnes) {
    std::mt19937 random(7);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    Widener whole, single, doubling;
    for (int t = 0; t < 3000; ++t) {
        // Rows of runs of a few colours, many repeating the row above, whole
        // or but for one pixel.
        const int w = 1 + below(120), h = 1 + below(16), colours = 1 + below(3);
        std::vector<uint32_t> half(static_cast<size_t>(w) * h);
        for (int y = 0, x = 0; y < h; ++y, x = 0) {
            uint32_t* row = &half[static_cast<size_t>(y) * w];
            if (y > 0 && below(3)) {
                std::copy(row - w, row, row), x = w;
                if (below(2)) row[below(w)] = 0x30A0F0u * static_cast<uint32_t>(below(colours));
            }
            while (x < w) {
                const uint32_t colour = 0x30A0F0u * static_cast<uint32_t>(below(colours));
                for (int run = 1 + below(12); run > 0 && x < w; --run) row[x++] = colour;
            }
        }

        const int from = 2 * w;
        std::vector<uint32_t> doubled(4 * half.size()), byColumn(4 * half.size());
        Scale2x(half.data(), w, h, doubled.data());
        for (int y = 0; y < h; ++y) {
            const uint32_t* row = &half[static_cast<size_t>(y) * w];
            uint32_t* out0 = &byColumn[static_cast<size_t>(2 * y) * from];
            for (int x = 0; x < w; ++x)
                Scale2xSpan(y > 0 ? row - w : row, row, y + 1 < h ? row + w : row, w, x, x + 1,
                            out0, out0 + from);
        }
        ASSERT_EQ(doubled, byColumn) << w << " x " << h;

        const int to = from + below(from / 2 + 9);
        const int first = below(h), last = first + 1 + below(h - first);
        const int rows = 2 * (last - first);
        const uint32_t* shown = &doubled[static_cast<size_t>(2 * first) * from];
        std::vector<uint32_t> a(static_cast<size_t>(rows) * to), b(a.size()), c(a.size());
        whole.Widen(shown, from, from, rows, a.data(), to, to);
        for (int y = 0; y < rows; ++y)
            single.Widen(shown + static_cast<size_t>(y) * from, from, from, 1, &b[y * to], to, to);
        doubling.WidenDoubled(half.data(), w, h, first, last, c.data(), to, to);
        ASSERT_EQ(a, b) << w << " x " << h << " to " << to;
        ASSERT_EQ(a, c) << w << " x " << h << ", rows " << first << "-" << last << " to " << to;
    }
}

}  // namespace
}  // namespace morvel
