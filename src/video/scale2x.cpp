#include "video/scale2x.h"

#include <algorithm>

#include "video/cpu_features.h"

namespace morvel {

namespace {

// One pixel E with its neighbours B above, D left, F right and H below. A
// corner takes the colour of the two neighbours that meet there when they are
// equal, unless E sits on a straight line (B equals H, or D equals F).
inline void ScalePixel(uint32_t b, uint32_t d, uint32_t e, uint32_t f, uint32_t h, uint32_t* out0,
                       uint32_t* out1) {
    const bool corner = b != h && d != f;
    out0[0] = corner && d == b ? d : e;
    out0[1] = corner && b == f ? f : e;
    out1[0] = corner && d == h ? d : e;
    out1[1] = corner && h == f ? f : e;
}

#ifdef MORVEL_SSE2
// Pixels x .. x + 3, none of them at the row's ends. Comparisons give masks
// of all ones; each corner is selected from them without a branch.
inline void ScaleFour(const uint32_t* above, const uint32_t* row, const uint32_t* below, int x,
                      uint32_t* out0, uint32_t* out1) {
    auto load = [](const uint32_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    const __m128i e = load(row + x), d = load(row + x - 1), f = load(row + x + 1);
    const __m128i b = load(above + x), h = load(below + x);
    // corner = (b != h) && (d != f)
    const __m128i straight = _mm_or_si128(_mm_cmpeq_epi32(b, h), _mm_cmpeq_epi32(d, f));
    auto pick = [&](__m128i p, __m128i q, __m128i take) {
        const __m128i m = _mm_andnot_si128(straight, _mm_cmpeq_epi32(p, q));
        return _mm_or_si128(_mm_and_si128(m, take), _mm_andnot_si128(m, e));
    };
    const __m128i e0 = pick(d, b, d), e1 = pick(b, f, f);
    const __m128i e2 = pick(d, h, d), e3 = pick(h, f, f);
    auto store = [](uint32_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); };
    store(out0 + 2 * x, _mm_unpacklo_epi32(e0, e1));
    store(out0 + 2 * x + 4, _mm_unpackhi_epi32(e0, e1));
    store(out1 + 2 * x, _mm_unpacklo_epi32(e2, e3));
    store(out1 + 2 * x + 4, _mm_unpackhi_epi32(e2, e3));
}
#endif

#ifdef MORVEL_AVX2
MORVEL_AVX2_FUNCTION inline __m256i Load8(const uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// Where p equals q off a straight line, take; else e.
MORVEL_AVX2_FUNCTION inline __m256i Pick8(__m256i straight, __m256i e, __m256i p, __m256i q,
                                          __m256i take) {
    return _mm256_blendv_epi8(e, take, _mm256_andnot_si256(straight, _mm256_cmpeq_epi32(p, q)));
}

// Eight pairs interleaved within each 128-bit half, then the halves put in
// order: sixteen pixels of an output row.
MORVEL_AVX2_FUNCTION inline void Store16(uint32_t* p, __m256i left, __m256i right) {
    const __m256i lo = _mm256_unpacklo_epi32(left, right);
    const __m256i hi = _mm256_unpackhi_epi32(left, right);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_permute2x128_si256(lo, hi, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + 8), _mm256_permute2x128_si256(lo, hi, 0x31));
}

// Pixels x .. x + 7, as ScaleFour does four.
MORVEL_AVX2_FUNCTION inline void ScaleEight(const uint32_t* above, const uint32_t* row,
                                            const uint32_t* below, int x, uint32_t* out0,
                                            uint32_t* out1) {
    const __m256i e = Load8(row + x), d = Load8(row + x - 1), f = Load8(row + x + 1);
    const __m256i b = Load8(above + x), h = Load8(below + x);
    const __m256i straight = _mm256_or_si256(_mm256_cmpeq_epi32(b, h), _mm256_cmpeq_epi32(d, f));
    Store16(out0 + 2 * x, Pick8(straight, e, d, b, d), Pick8(straight, e, b, f, f));
    Store16(out1 + 2 * x, Pick8(straight, e, d, h, d), Pick8(straight, e, h, f, f));
}

MORVEL_AVX2_FUNCTION int ScaleAvx2(const uint32_t* above, const uint32_t* row,
                                   const uint32_t* below, int x, int end, uint32_t* out0,
                                   uint32_t* out1) {
    for (; x + 8 <= end; x += 8) ScaleEight(above, row, below, x, out0, out1);
    return x;
}
#endif

}  // namespace

void Scale2xSpan(const uint32_t* above, const uint32_t* row, const uint32_t* below, int w,
                 int first, int last, uint32_t* out0, uint32_t* out1) {
    int x = std::max(first, 0);
    last = std::min(last, w);
    if (x >= last) return;
    if (w == 1) {
        ScalePixel(above[0], row[0], row[0], row[0], below[0], out0, out1);
        return;
    }
    if (x == 0) {
        ScalePixel(above[0], row[0], row[0], row[1], below[0], out0, out1);
        x = 1;
    }
    const int inside = std::min(last, w - 1);
#ifdef MORVEL_AVX2
    if (CpuHasAvx2()) x = ScaleAvx2(above, row, below, x, inside, out0, out1);
#endif
#ifdef MORVEL_SSE2
    for (; x + 4 <= inside; x += 4) ScaleFour(above, row, below, x, out0, out1);
#endif
    for (; x < inside; ++x)
        ScalePixel(above[x], row[x - 1], row[x], row[x + 1], below[x], out0 + 2 * x, out1 + 2 * x);
    if (x == w - 1 && last == w)
        ScalePixel(above[x], row[x - 1], row[x], row[x], below[x], out0 + 2 * x, out1 + 2 * x);
}

void Scale2xRows(const uint32_t* source, int w, int h, int first, int last, uint32_t* destination) {
    first = std::max(first, 0);
    last = std::min(last, h);
    for (int y = first; y < last; ++y) {
        const uint32_t* row = source + y * w;
        const uint32_t* above = y > 0 ? row - w : row;
        const uint32_t* below = y + 1 < h ? row + w : row;
        uint32_t* out0 = destination + 2 * y * 2 * w;
        Scale2xSpan(above, row, below, w, 0, w, out0, out0 + 2 * w);
    }
}

void Scale2x(const uint32_t* source, int w, int h, uint32_t* destination) {
    Scale2xRows(source, w, h, 0, h, destination);
}

}  // namespace morvel
