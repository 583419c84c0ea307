// The Lanczos band kernel for any x86-64: SSE2, one pixel per vector.
#include "graphics/LanczosPlan.hpp"

#include <emmintrin.h>

namespace vf::lanczos {
namespace {

// Linear-light copy of source row sy into band.sourceRow, edges repeated into
// the padding so that taps past either end read the clamped pixel.
void linearise(const Plan& plan, const Band& band, int sy)
{
    const SrgbTables& srgb = srgbTables();
    const RGBA* src = plan.input.scanline(sy);
    const int sw = plan.input.width;
    float* row = band.sourceRow + 4 * plan.pad;
    if (plan.alphaWeighted) {
        for (int x = 0; x < sw; ++x) {
            const RGBA s = src[x];
            const float alpha = static_cast<float>(s.a) * (1.0f / 255.0f) + transparentBias;
            float* p = row + 4 * x;
            p[0] = srgb.toLinear[s.r] * alpha;
            p[1] = srgb.toLinear[s.g] * alpha;
            p[2] = srgb.toLinear[s.b] * alpha;
            p[3] = alpha;
        }
    } else {
        for (int x = 0; x < sw; ++x) {
            const RGBA s = src[x];
            float* p = row + 4 * x;
            p[0] = srgb.toLinear[s.r];
            p[1] = srgb.toLinear[s.g];
            p[2] = srgb.toLinear[s.b];
            p[3] = srgb.toLinear[s.a];
        }
    }
    const __m128 left = _mm_loadu_ps(row), right = _mm_loadu_ps(row + 4 * (sw - 1));
    for (int i = 1; i <= plan.pad; ++i) {
        _mm_storeu_ps(row - 4 * i, left);
        _mm_storeu_ps(row + 4 * (sw - 1 + i), right);
    }
}

void filterRow(const Plan& plan, const Band& band, int sy, float* dst)
{
    linearise(plan, band, sy);
    const float* row = band.sourceRow + 4 * plan.pad;
    for (int x = 0; x < plan.output.width; ++x) {
        const Span span = plan.hSpans[x];
        const float* w = plan.hWeights + static_cast<std::size_t>(x) * static_cast<std::size_t>(plan.maxHTaps);
        const float* p = row + 4 * span.first;
        __m128 acc = _mm_setzero_ps();
        for (int t = 0; t < span.count; ++t)
            acc = _mm_add_ps(acc, _mm_mul_ps(_mm_set1_ps(w[t]), _mm_loadu_ps(p + 4 * t)));
        _mm_storeu_ps(dst + 4 * x, acc);
    }
}

} // namespace

void resampleBandSse2(const Plan& plan, const Band& band, int y0, int y1)
{
    const SrgbTables& srgb = srgbTables();
    const int dw = plan.output.width;
    for (int y = y0; y < y1; ++y) {
        const int taps = prepareRows(plan, band, y, filterRow);
        const float* w = plan.vWeights + static_cast<std::size_t>(y) * static_cast<std::size_t>(plan.maxVTaps);
        RGBA* out = plan.output.scanline(y);
        // Four pixels at a time summed over the taps in registers (independent
        // sums keep the adders busy), then the row encoded.
        float* accum = band.accum;
        int i = 0;
        for (; i + 16 <= 4 * dw; i += 16) {
            __m128 acc[4] = {_mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()};
            for (int t = 0; t < taps; ++t) {
                const __m128 wt = _mm_set1_ps(w[t]);
                for (int k = 0; k < 4; ++k)
                    acc[k] = _mm_add_ps(acc[k], _mm_mul_ps(wt, _mm_loadu_ps(band.rows[t] + i + 4 * k)));
            }
            for (int k = 0; k < 4; ++k)
                _mm_storeu_ps(accum + i + 4 * k, acc[k]);
        }
        for (; i < 4 * dw; i += 4) {
            __m128 acc = _mm_setzero_ps();
            for (int t = 0; t < taps; ++t)
                acc = _mm_add_ps(acc, _mm_mul_ps(_mm_set1_ps(w[t]), _mm_loadu_ps(band.rows[t] + i)));
            _mm_storeu_ps(accum + i, acc);
        }
        for (int x = 0; x < dw; ++x)
            out[x] = encodePixel(srgb, accum + 4 * x, plan.alphaWeighted);
    }
}

} // namespace vf::lanczos
