#include "flatwidgets/ImageBlend.hpp"

#include <cstdint>
#include <cstring>
#include <emmintrin.h>

namespace vf {
namespace {

// (x * 32897) >> 23 is floor(x / 255) for every x up to 255 * 255; mulhi gives the
// product's upper 16 bits, so only 7 more bits remain to be shifted out.
inline __m128i blendHalf(__m128i s16, __m128i d16)
{
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
    const __m128i na = _mm_sub_epi16(_mm_set1_epi16(255), a);
    // At most 255 * 255: the sum fits in 16 unsigned bits.
    const __m128i x = _mm_add_epi16(_mm_mullo_epi16(s16, a), _mm_mullo_epi16(d16, na));
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<short>(32897))), 7);
}

inline void blendScalar(const uint8_t* s, uint8_t* d)
{
    const uint32_t a = s[3], na = 255 - a;
    for (int c = 0; c < 4; ++c)
        d[c] = static_cast<uint8_t>(((s[c] * a + d[c] * na) * 32897u) >> 23);
}

} // namespace

void blendImageOver(ImageRef<RGBA> dst, ImageRef<RGBA> src, box2i rect)
{
    rect = rect.intersection(dst.bounds()).intersection(src.bounds());
    if (rect.empty())
        return;
    const __m128i zero = _mm_setzero_si128();
    const int n = rect.width();
    for (int y = rect.min.y; y < rect.max.y; ++y) {
        const uint8_t* s = reinterpret_cast<const uint8_t*>(src.scanline(y) + rect.min.x);
        uint8_t* d = reinterpret_cast<uint8_t*>(dst.scanline(y) + rect.min.x);
        int i = 0;
        for (; i + 4 <= n; i += 4) { // four pixels at a time, in 16-bit lanes
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i * 4));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i * 4));
            const __m128i lo = blendHalf(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero));
            const __m128i hi = blendHalf(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i * 4), _mm_packus_epi16(lo, hi));
        }
        for (; i < n; ++i)
            blendScalar(s + i * 4, d + i * 4);
    }
}

} // namespace vf
