#include "video/widen.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "video/cpu_features.h"
#include "video/scale2x.h"

namespace morvel {

namespace {

// a * (256 - w) + b * w for each 8-bit channel, shifted back to 8 bits.
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t w) {
    const uint32_t v = 256 - w;
    const uint32_t rb = (((a & 0xFF00FFu) * v + (b & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
    const uint32_t g = (((a & 0xFF00u) * v + (b & 0xFF00u) * w) >> 8) & 0xFF00u;
    return rb | g | 0xFF000000u;
}

// The vector forms compute the same sum as a + (b - a) * w / 256 rounded
// down, which is exact since 256 a is a whole multiple of 256: (b - a) is
// shifted up 7 bits and multiplied by 2 w, keeping the product's top half.

#ifdef MORVEL_SSE2
// Columns i and i + 1: each source pair (a, b) loaded as 8 bytes.
inline __m128i BlendTwo(const uint32_t* in, const int32_t* left, const uint16_t* weights) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i p = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + left[0]));
    const __m128i q = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + left[1]));
    const __m128i pq = _mm_unpacklo_epi32(p, q);  // a0 a1 b0 b1
    const __m128i a = _mm_unpacklo_epi8(pq, zero);
    const __m128i b = _mm_unpackhi_epi8(pq, zero);
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights));
    return _mm_add_epi16(a, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(b, a), 7), w));
}

// Columns begin .. end, rounded up to groups of four within the row.
int BlendSse2(const uint32_t* in, const int32_t* left, const uint16_t* weights, uint32_t* out,
              int begin, int end, int to) {
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = begin;
    for (; i < end && i + 4 <= to; i += 4) {
        const __m128i lo = BlendTwo(in, left + i, weights + 4 * i);
        const __m128i hi = BlendTwo(in, left + i + 2, weights + 4 * i + 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_or_si128(_mm_packus_epi16(lo, hi), alpha));
    }
    return i;
}
#endif

#ifdef MORVEL_AVX2
// Columns i .. i + 3 as 16-bit channels, in the order 0 1 | 2 3.
MORVEL_AVX2_FUNCTION inline __m256i BlendFour(const uint32_t* in, const int32_t* left,
                                              const uint16_t* weights) {
    const __m128i pair01 =
        _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + left[0])),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + left[1])));
    const __m128i pair23 =
        _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + left[2])),
                           _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + left[3])));
    const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(pair01), pair23, 1);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i a = _mm256_unpacklo_epi8(v, zero);
    const __m256i b = _mm256_unpackhi_epi8(v, zero);
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights));
    return _mm256_add_epi16(a, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(b, a), 7), w));
}

MORVEL_AVX2_FUNCTION int BlendAvx2(const uint32_t* in, const int32_t* left, const uint16_t* weights,
                                   uint32_t* out, int begin, int end, int to) {
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int i = begin;
    for (; i < end && i + 8 <= to; i += 8) {
        // Packed per 128-bit lane as 0 1 4 5 | 2 3 6 7, then put in order.
        const __m256i packed =
            _mm256_packus_epi16(BlendFour(in, left + i, weights + 4 * i),
                                BlendFour(in, left + i + 4, weights + 4 * i + 16));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_or_si256(_mm256_permute4x64_epi64(packed, 0xD8), alpha));
    }
    return i;
}
#endif

// Whether n pixels at a equal those at b.
inline bool SameRun(const uint32_t* a, const uint32_t* b, int n) {
#ifdef MORVEL_SSE2
    if (n % 8 == 0) {
        __m128i all = _mm_set1_epi32(-1);
        for (int i = 0; i < n; i += 4)
            all = _mm_and_si128(
                all, _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)),
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i))));
        return _mm_movemask_epi8(all) == 0xFFFF;
    }
#endif
    return std::memcmp(a, b, static_cast<size_t>(n) * 4) == 0;
}

// Sets bit k of bits where the k-th run of size pixels of a (n in all)
// differs from b's.
void DifferingRuns(const uint32_t* a, const uint32_t* b, int n, int size,
                   std::vector<uint64_t>& bits) {
    const int runs = (n + size - 1) / size;
    for (int word = 0; word * 64 < runs; ++word) {
        uint64_t differ = 0;
        for (int k = word * 64; k < std::min(runs, word * 64 + 64); ++k) {
            const int x = k * size;
            differ |= static_cast<uint64_t>(!SameRun(a + x, b + x, std::min(size, n - x)))
                      << (k % 64);
        }
        bits[static_cast<size_t>(word)] = differ;
    }
}

// Copies a finished row out to the picture, which the window system reads
// next: past the first 16-byte boundary the stores go around the caches, so
// the target's lines are neither read first nor kept.
void StoreRow(uint32_t* out, const uint32_t* line, int n) {
    int i = 0;
#ifdef MORVEL_SSE2
    for (; i < n && (reinterpret_cast<uintptr_t>(out + i) & 15) != 0; ++i) out[i] = line[i];
    for (; i + 4 <= n; i += 4)
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + i)));
#endif
    for (; i < n; ++i) out[i] = line[i];
}

// Calls f(begin, end) for each run of set bits among the first n.
template <class F>
void ForEachRun(const std::vector<uint64_t>& bits, size_t n, F f) {
    auto next = [&](size_t from, bool set) {
        size_t word = from / 64;
        if (word >= bits.size()) return n;
        uint64_t v = (set ? bits[word] : ~bits[word]) & (~uint64_t{0} << (from % 64));
        while (v == 0 && ++word < bits.size()) v = set ? bits[word] : ~bits[word];
        return v == 0 ? n : std::min(n, word * 64 + static_cast<size_t>(std::countr_zero(v)));
    };
    for (size_t begin = next(0, true); begin < n;) {
        const size_t end = next(begin, false);
        f(begin, end);
        begin = next(end, true);
    }
}

}  // namespace

void Widener::BuildTaps(int from, int to) {
    const double step = static_cast<double>(from) / to;
    const int32_t fixedStep = static_cast<int32_t>(step * 65536);
    int32_t at = static_cast<int32_t>(step * 0.5 * 65536) - 32768;
    left_.assign(static_cast<size_t>(to), 0);
    weights_.assign(4 * static_cast<size_t>(to), 0);
    for (int i = 0; i < to; ++i, at += fixedStep) {
        const int32_t column = at >> 16;
        int32_t left = column;
        uint16_t weight = static_cast<uint16_t>((static_cast<uint32_t>(at) & 0xFFFF) >> 8);
        if (column < 0) {
            left = 0;
            weight = 0;
        } else if (column >= from - 1) {
            left = from - 2;
            weight = 256;
        }
        left_[static_cast<size_t>(i)] = left;
        for (size_t lane = 0; lane < 4; ++lane)
            weights_[4 * static_cast<size_t>(i) + lane] = static_cast<uint16_t>(2 * weight);
    }
    // left_ never falls, so each block's columns are one run of outputs.
    spans_.assign(static_cast<size_t>((from + kBlock - 1) / kBlock), Span{to, 0});
    for (int i = 0; i < to; ++i) {
        const int32_t left = left_[static_cast<size_t>(i)];
        for (const int32_t column : {left, left + 1}) {
            Span& span = spans_[static_cast<size_t>(column / kBlock)];
            span.begin = std::min(span.begin, i);
            span.end = std::max(span.end, i + 1);
        }
    }
    line_.assign(static_cast<size_t>(to), 0);
    from_ = from;
}

void Widener::BlendColumns(const uint32_t* in, int begin, int end) {
    [[maybe_unused]] const int to = static_cast<int>(line_.size());
    const int32_t* left = left_.data();
    uint32_t* out = line_.data();
    // Groups may run past end: those columns come out right too.
    int i = begin;
#ifdef MORVEL_AVX2
    if (CpuHasAvx2()) i = BlendAvx2(in, left, weights_.data(), out, i, end, to);
#endif
#ifdef MORVEL_SSE2
    i = BlendSse2(in, left, weights_.data(), out, i, end, to);
#endif
    for (; i < end; ++i)
        out[i] = Blend(in[left[i]], in[left[i] + 1], weights_[4 * static_cast<size_t>(i)] / 2u);
}

void Widener::BlendBlocks(const uint32_t* in, const std::vector<uint64_t>& changed) {
    ForEachRun(changed, spans_.size(), [&](size_t first, size_t past) {
        BlendColumns(in, spans_[first].begin, spans_[past - 1].end);
    });
}

void Widener::Widen(const uint32_t* source, size_t sourceStride, int from, int rows,
                    uint32_t* target, size_t targetStride, int to) {
    if (line_.size() != static_cast<size_t>(to) || from_ != from) BuildTaps(from, to);
    const size_t words = (spans_.size() + 63) / 64;
    changedUpper_.assign(words, ~uint64_t{0});
    for (int y = 0; y < rows; ++y) {
        const uint32_t* in = source + static_cast<size_t>(y) * sourceStride;
        // Only the columns reading a block that differs from the row above
        // change.
        if (y > 0) DifferingRuns(in, in - sourceStride, from, kBlock, changedUpper_);
        BlendBlocks(in, changedUpper_);
        StoreRow(target + static_cast<size_t>(y) * targetStride, line_.data(), to);
    }
#ifdef MORVEL_SSE2
    _mm_sfence();
#endif
}

void Widener::WidenDoubled(const uint32_t* half, int halfWidth, int halfHeight, int first, int last,
                           uint32_t* target, size_t targetStride, int to) {
    const int from = 2 * halfWidth;
    if (line_.size() != static_cast<size_t>(to) || from_ != from) BuildTaps(from, to);
    const size_t blocks = spans_.size();
    const size_t words = (blocks + 63) / 64;
    constexpr int kHalfBlock = kBlock / 2;
    upper_.resize(static_cast<size_t>(from));
    lower_.resize(static_cast<size_t>(from));
    changedUpper_.assign(words, ~uint64_t{0});
    changedLower_.assign(words, ~uint64_t{0});
    for (auto& rows : differs_) rows.assign(words, 0);
    auto rowAt = [&](int y) { return half + static_cast<size_t>(y) * halfWidth; };
    // The blocks where row y differs from row y - 1 (outside the picture a
    // row's neighbour is itself: nothing differs). Where rows y - 1 .. y + 1
    // agree over a block's own columns, pixel above equals pixel below in
    // each, so Scale2x keeps every pixel whole there whatever the columns
    // beside the block hold: both doubled rows are row y doubled.
    auto differAbove = [&](int y, std::vector<uint64_t>& differs) {
        if (y < 1 || y >= halfHeight)
            differs.assign(words, 0);
        else
            DifferingRuns(rowAt(y), rowAt(y - 1), halfWidth, kHalfBlock, differs);
    };
    std::vector<uint64_t>* previous = &differs_[0];  // row y - 1
    std::vector<uint64_t>* current = &differs_[1];   // row y
    std::vector<uint64_t>* next = &differs_[2];      // row y + 1
    differAbove(first, *current);
    for (int y = first; y < last; ++y) {
        const uint32_t* row = rowAt(y);
        const uint32_t* above = y > 0 ? rowAt(y - 1) : row;
        const uint32_t* below = y + 1 < halfHeight ? rowAt(y + 1) : row;
        differAbove(y + 1, *next);
        if (y > first) {
            // The upper doubled row repeats the lower one before it where
            // rows y - 2 .. y + 1 agree; the lower repeats the upper where
            // rows y - 1 .. y + 1 do: both are then row y doubled.
            for (size_t i = 0; i < words; ++i) {
                changedLower_[i] = (*current)[i] | (*next)[i];
                changedUpper_[i] = changedLower_[i] | (*previous)[i];
            }
        }
        // Doubled where either row changed; a block left alone holds the
        // row doubled, as every row since it was last made agrees there.
        ForEachRun(changedUpper_, blocks, [&](size_t begin, size_t past) {
            Scale2xSpan(above, row, below, halfWidth, static_cast<int>(begin) * kHalfBlock,
                        static_cast<int>(past) * kHalfBlock, upper_.data(), lower_.data());
        });
        uint32_t* out = target + static_cast<size_t>(2 * (y - first)) * targetStride;
        BlendBlocks(upper_.data(), changedUpper_);
        StoreRow(out, line_.data(), to);
        BlendBlocks(lower_.data(), changedLower_);
        StoreRow(out + targetStride, line_.data(), to);
        std::swap(previous, current);
        std::swap(current, next);
    }
#ifdef MORVEL_SSE2
    _mm_sfence();
#endif
}

}  // namespace morvel
