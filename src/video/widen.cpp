#include "video/widen.h"

#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define MORVEL_WIDEN_SSE2 1
#endif

namespace morvel {

namespace {

// a * (256 - w) + b * w for each 8-bit channel, shifted back to 8 bits.
inline uint32_t Blend(uint32_t a, uint32_t b, uint32_t w) {
    const uint32_t v = 256 - w;
    const uint32_t rb = (((a & 0xFF00FFu) * v + (b & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
    const uint32_t g = (((a & 0xFF00u) * v + (b & 0xFF00u) * w) >> 8) & 0xFF00u;
    return rb | g | 0xFF000000u;
}

#ifdef MORVEL_WIDEN_SSE2
// Two output pixels from the source pairs at p and q: the channels of each
// pair widened to 16 bits, multiplied by their weights and summed.
inline __m128i BlendTwo(const uint32_t* p, const uint32_t* q, const void* wp, const void* wq) {
    const __m128i zero = _mm_setzero_si128();
    auto pair = [&](const uint32_t* at, const void* weights) {
        const __m128i pixels = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
        return _mm_mullo_epi16(_mm_unpacklo_epi8(pixels, zero),
                               _mm_load_si128(static_cast<const __m128i*>(weights)));
    };
    const __m128i m0 = pair(p, wp), m1 = pair(q, wq);
    const __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(m0, m1), _mm_unpackhi_epi64(m0, m1));
    return _mm_srli_epi16(sum, 8);
}
#endif

}  // namespace

void Widener::BuildTaps(int from, int to) {
    const double step = static_cast<double>(from) / to;
    const int32_t fixedStep = static_cast<int32_t>(step * 65536);
    int32_t at = static_cast<int32_t>(step * 0.5 * 65536) - 32768;
    left_.resize(static_cast<size_t>(to));
    weights_.resize(static_cast<size_t>(to));
    for (size_t i = 0; i < left_.size(); ++i, at += fixedStep) {
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
        left_[i] = left;
        for (int lane = 0; lane < 4; ++lane) {
            weights_[i].lanes[lane] = static_cast<uint16_t>(256 - weight);
            weights_[i].lanes[lane + 4] = weight;
        }
    }
    from_ = from;
}

void Widener::Widen(const uint32_t* source, size_t sourceStride, int from, int rows,
                    uint32_t* target, size_t targetStride, int to) {
    if (left_.size() != static_cast<size_t>(to) || from_ != from) BuildTaps(from, to);
    const int32_t* left = left_.data();
    const Weights* weights = weights_.data();
    for (int y = 0; y < rows; ++y) {
        const uint32_t* in = source + static_cast<size_t>(y) * sourceStride;
        uint32_t* out = target + static_cast<size_t>(y) * targetStride;
        // An enlarged picture repeats most rows: those are copied.
        if (y > 0 && std::memcmp(in, in - sourceStride, static_cast<size_t>(from) * 4) == 0) {
            std::memcpy(out, out - targetStride, static_cast<size_t>(to) * 4);
            continue;
        }
        int i = 0;
#ifdef MORVEL_WIDEN_SSE2
        const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        for (; i + 4 <= to; i += 4) {
            const __m128i lo =
                BlendTwo(in + left[i], in + left[i + 1], &weights[i], &weights[i + 1]);
            const __m128i hi =
                BlendTwo(in + left[i + 2], in + left[i + 3], &weights[i + 2], &weights[i + 3]);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                             _mm_or_si128(_mm_packus_epi16(lo, hi), alpha));
        }
#endif
        for (; i < to; ++i) out[i] = Blend(in[left[i]], in[left[i] + 1], weights[i].lanes[4]);
    }
}

}  // namespace morvel
