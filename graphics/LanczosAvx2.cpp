// The Lanczos band kernel for CPUs with AVX2: two pixels or eight floats per
// vector, each lane doing the SSE2 kernel's arithmetic in the same order.
#include "graphics/LanczosPlan.hpp"

#include <immintrin.h>

#define VF_AVX2 __attribute__((target("avx2")))

namespace vf::lanczos {
namespace {

VF_AVX2 void linearise(const Plan& plan, const Band& band, int sy)
{
    const SrgbTables& srgb = srgbTables();
    const auto* src = reinterpret_cast<const uint8_t*>(plan.input.scanline(sy));
    const int sw = plan.input.width;
    float* row = band.sourceRow + 4 * plan.pad;
    for (int i = 0; i < 4 * sw; ++i)
        row[i] = srgb.toLinear[src[i]];
    if (plan.alphaWeighted) {
        const __m256 toUnit = _mm256_set1_ps(1.0f / 255.0f), bias = _mm256_set1_ps(transparentBias);
        int x = 0;
        for (; x + 2 <= sw; x += 2) {
            const __m256i codes = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + 4 * x)));
            const __m256 alpha = _mm256_add_ps(
                _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_shuffle_epi32(codes, 0xff)), toUnit), bias);
            const __m256 p = _mm256_loadu_ps(row + 4 * x);
            _mm256_storeu_ps(row + 4 * x, _mm256_blend_ps(_mm256_mul_ps(p, alpha), alpha, 0x88));
        }
        for (; x < sw; ++x) {
            const float alpha = static_cast<float>(src[4 * x + 3]) * (1.0f / 255.0f) + transparentBias;
            for (int c = 0; c < 3; ++c)
                row[4 * x + c] *= alpha;
            row[4 * x + 3] = alpha;
        }
    }
    const __m128 left = _mm_loadu_ps(row), right = _mm_loadu_ps(row + 4 * (sw - 1));
    for (int i = 1; i <= plan.pad; ++i) {
        _mm_storeu_ps(row - 4 * i, left);
        _mm_storeu_ps(row + 4 * (sw - 1 + i), right);
    }
}

VF_AVX2 void filterRow(const Plan& plan, const Band& band, int sy, float* dst)
{
    linearise(plan, band, sy);
    const float* row = band.sourceRow + 4 * plan.pad;
    const int dw = plan.output.width;
    const auto taps = static_cast<std::size_t>(plan.maxHTaps);
    int x = 0;
    // Pixels x and x + 1 in the low and high halves. The one with fewer taps
    // gets zero weights for the rest, which leave its sum exactly as it was.
    for (; x + 2 <= dw; x += 2) {
        const Span a = plan.hSpans[x], b = plan.hSpans[x + 1];
        const float* w = plan.hPairWeights + static_cast<std::size_t>(x / 2) * taps * 8;
        const float* pa = row + 4 * a.first;
        const float* pb = row + 4 * b.first;
        const int count = a.count > b.count ? a.count : b.count;
        __m256 acc = _mm256_setzero_ps();
        for (int t = 0; t < count; ++t) {
            const __m256 p = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(pa + 4 * t)),
                                                  _mm_loadu_ps(pb + 4 * t), 1);
            acc = _mm256_add_ps(acc, _mm256_mul_ps(_mm256_loadu_ps(w + 8 * t), p));
        }
        _mm256_storeu_ps(dst + 4 * x, acc);
    }
    if (x < dw) {
        const Span span = plan.hSpans[x];
        const float* w = plan.hWeights + static_cast<std::size_t>(x) * taps;
        const float* p = row + 4 * span.first;
        __m128 acc = _mm_setzero_ps();
        for (int t = 0; t < span.count; ++t)
            acc = _mm_add_ps(acc, _mm_mul_ps(_mm_set1_ps(w[t]), _mm_loadu_ps(p + 4 * t)));
        _mm_storeu_ps(dst + 4 * x, acc);
    }
}

// SrgbTables::encode of eight values; one step up from the slice's code is
// always enough.
VF_AVX2 inline __m256i encode(const SrgbTables& srgb, __m256 l)
{
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    const __m256 c = _mm256_min_ps(_mm256_max_ps(l, zero), one); // NaN -> 0
    const __m256i slice = _mm256_cvttps_epi32(_mm256_mul_ps(c, _mm256_set1_ps(float(SrgbTables::buckets))));
    alignas(32) int32_t at[8];
    alignas(32) int32_t code[8];
    alignas(32) float threshold[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), slice);
    for (int i = 0; i < 8; ++i) {
        code[i] = srgb.bucketStart32[at[i]];
        threshold[i] = srgb.bucketThreshold[at[i]];
    }
    __m256i codes = _mm256_sub_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(code)),
                                     _mm256_castps_si256(_mm256_cmp_ps(c, _mm256_load_ps(threshold), _CMP_GE_OQ)));
    codes = _mm256_blendv_epi8(codes, _mm256_set1_epi32(255), _mm256_castps_si256(_mm256_cmp_ps(l, one, _CMP_GE_OQ)));
    return _mm256_and_si256(codes, _mm256_castps_si256(_mm256_cmp_ps(l, zero, _CMP_GT_OQ)));
}

// Two accumulated pixels to eight bytes.
VF_AVX2 inline void store(const SrgbTables& srgb, __m256 p, bool alphaWeighted, RGBA* out)
{
    __m256i codes;
    if (alphaWeighted) {
        const __m256 alpha = _mm256_permute_ps(p, 0xff);
        const __m256 zero = _mm256_setzero_ps();
        const __m256 clamped = _mm256_min_ps(_mm256_max_ps(alpha, zero), _mm256_set1_ps(1.0f));
        const __m256i alpha8 = _mm256_cvttps_epi32(
            _mm256_add_ps(_mm256_mul_ps(clamped, _mm256_set1_ps(255.0f)), _mm256_set1_ps(0.5f)));
        const __m256 inv = _mm256_div_ps(_mm256_set1_ps(1.0f), alpha);
        // Only negative lobes reached an invisible pixel: no colour.
        const __m256i visible = _mm256_castps_si256(_mm256_cmp_ps(alpha, zero, _CMP_GT_OQ));
        codes = _mm256_and_si256(encode(srgb, _mm256_mul_ps(p, inv)), visible);
        codes = _mm256_blend_epi32(codes, alpha8, 0x88);
    } else {
        codes = encode(srgb, p);
    }
    const __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(codes, codes), codes);
    const __m128i both = _mm_unpacklo_epi32(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), both);
}

} // namespace

VF_AVX2 void resampleBandAvx2(const Plan& plan, const Band& band, int y0, int y1)
{
    const SrgbTables& srgb = srgbTables();
    const int dw = plan.output.width;
    const float* const* rows = band.rows;
    for (int y = y0; y < y1; ++y) {
        const int taps = prepareRows(plan, band, y, filterRow);
        const float* w = plan.vWeights + static_cast<std::size_t>(y) * static_cast<std::size_t>(plan.maxVTaps);
        RGBA* out = plan.output.scanline(y);
        // Summed over the taps in registers, then the whole row encoded: its
        // pixels are independent, so their encodings overlap.
        float* accum = band.accum;
        int i = 0;
        for (; i + 16 <= 4 * dw; i += 16) {
            __m256 acc0 = _mm256_setzero_ps(), acc1 = _mm256_setzero_ps();
            for (int t = 0; t < taps; ++t) {
                const __m256 wt = _mm256_broadcast_ss(w + t);
                acc0 = _mm256_add_ps(acc0, _mm256_mul_ps(wt, _mm256_loadu_ps(rows[t] + i)));
                acc1 = _mm256_add_ps(acc1, _mm256_mul_ps(wt, _mm256_loadu_ps(rows[t] + i + 8)));
            }
            _mm256_storeu_ps(accum + i, acc0);
            _mm256_storeu_ps(accum + i + 8, acc1);
        }
        for (; i < 4 * dw; i += 4) {
            __m128 acc = _mm_setzero_ps();
            for (int t = 0; t < taps; ++t)
                acc = _mm_add_ps(acc, _mm_mul_ps(_mm_set1_ps(w[t]), _mm_loadu_ps(rows[t] + i)));
            _mm_storeu_ps(accum + i, acc);
        }
        int x = 0;
        for (; x + 2 <= dw; x += 2)
            store(srgb, _mm256_loadu_ps(accum + 4 * x), plan.alphaWeighted, out + x);
        if (x < dw)
            out[x] = encodePixel(srgb, accum + 4 * x, plan.alphaWeighted);
    }
}

} // namespace vf::lanczos
