// The reference Lanczos loop: one pixel per SSE2 vector, whole image on one thread.
#include "graphics/LanczosPlan.hpp"

#include <algorithm>
#include <climits>
#include <emmintrin.h>

namespace vf::lanczos {
namespace {

// Working memory of the reference loop, carved out of one block.
struct ReferenceLayout {
    std::size_t hSpans, hWeights, vSpans, vWeights, ringRows, ring, sourceRow, accum, total;

    ReferenceLayout(const Axis& h, const Axis& v)
    {
        BlockCarver block;
        auto take = [&](std::size_t bytes) { return block.take(bytes); };
        const auto dw = static_cast<std::size_t>(h.dstSize), dh = static_cast<std::size_t>(v.dstSize);
        const auto sw = static_cast<std::size_t>(h.srcSize);
        hSpans = take(dw * sizeof(Span));
        hWeights = take(dw * static_cast<std::size_t>(h.maxTaps) * sizeof(float));
        vSpans = take(dh * sizeof(Span));
        vWeights = take(dh * static_cast<std::size_t>(v.maxTaps) * sizeof(float));
        ringRows = take(static_cast<std::size_t>(v.maxTaps) * sizeof(int));
        ring = take(static_cast<std::size_t>(v.maxTaps) * dw * 4 * sizeof(float));
        sourceRow = take(sw * 4 * sizeof(float));
        accum = take(dw * 4 * sizeof(float));
        total = block.end;
    }
};

} // namespace

std::size_t referenceScratchBytes(const Axis& h, const Axis& v)
{
    return ReferenceLayout(h, v).total;
}

void referenceResize(
    ImageRef<RGBA> input, ImageRef<RGBA> output, bool alphaWeighted, float a, const Axis& h, const Axis& v, void* block)
{
    const ReferenceLayout layout(h, v);
    auto* base = static_cast<uint8_t*>(block);
    auto* hSpans = reinterpret_cast<Span*>(base + layout.hSpans);
    auto* hWeights = reinterpret_cast<float*>(base + layout.hWeights);
    auto* vSpans = reinterpret_cast<Span*>(base + layout.vSpans);
    auto* vWeights = reinterpret_cast<float*>(base + layout.vWeights);
    auto* ringRows = reinterpret_cast<int*>(base + layout.ringRows);
    auto* ring = reinterpret_cast<float*>(base + layout.ring);
    auto* sourceRow = reinterpret_cast<float*>(base + layout.sourceRow);
    auto* accum = reinterpret_cast<float*>(base + layout.accum);

    computeWeights(h, a, hSpans, hWeights);
    computeWeights(v, a, vSpans, vWeights);
    const int ringSize = v.maxTaps;
    for (int i = 0; i < ringSize; ++i)
        ringRows[i] = INT_MIN;

    const SrgbTables& srgb = srgbTables();
    const int sw = h.srcSize, sh = v.srcSize, dw = h.dstSize;

    // Linearise source row sy, resample it horizontally into ring slot.
    auto filterRow = [&](int sy, float* dst) {
        const RGBA* src = input.scanline(sy);
        for (int x = 0; x < sw; ++x) {
            float* p = sourceRow + 4 * x;
            const RGBA s = src[x];
            if (alphaWeighted) {
                const float alpha = static_cast<float>(s.a) * (1.0f / 255.0f) + transparentBias;
                p[0] = srgb.toLinear[s.r] * alpha;
                p[1] = srgb.toLinear[s.g] * alpha;
                p[2] = srgb.toLinear[s.b] * alpha;
                p[3] = alpha;
            } else {
                p[0] = srgb.toLinear[s.r];
                p[1] = srgb.toLinear[s.g];
                p[2] = srgb.toLinear[s.b];
                p[3] = srgb.toLinear[s.a];
            }
        }
        for (int x = 0; x < dw; ++x) {
            const Span span = hSpans[x];
            const float* w = hWeights + static_cast<std::size_t>(x) * static_cast<std::size_t>(h.maxTaps);
            // One pixel's four channels per vector.
            __m128 acc = _mm_setzero_ps();
            for (int t = 0; t < span.count; ++t) {
                const float* p = sourceRow + 4 * std::clamp(span.first + t, 0, sw - 1);
                acc = _mm_add_ps(acc, _mm_mul_ps(_mm_set1_ps(w[t]), _mm_loadu_ps(p)));
            }
            _mm_storeu_ps(dst + 4 * x, acc);
        }
    };

    for (int y = 0; y < v.dstSize; ++y) {
        const Span span = vSpans[y];
        const float* w = vWeights + static_cast<std::size_t>(y) * static_cast<std::size_t>(v.maxTaps);
        for (int i = 0; i < 4 * dw; ++i)
            accum[i] = 0.0f;
        for (int t = 0; t < span.count; ++t) {
            const int j = span.first + t; // consecutive j land in distinct slots
            const int slot = ((j % ringSize) + ringSize) % ringSize;
            float* rowData = ring + static_cast<std::size_t>(slot) * static_cast<std::size_t>(dw) * 4;
            if (ringRows[slot] != j) {
                filterRow(std::clamp(j, 0, sh - 1), rowData);
                ringRows[slot] = j;
            }
            const __m128 wt = _mm_set1_ps(w[t]);
            for (int i = 0; i < 4 * dw; i += 4)
                _mm_storeu_ps(accum + i, _mm_add_ps(_mm_loadu_ps(accum + i), _mm_mul_ps(wt, _mm_loadu_ps(rowData + i))));
        }
        RGBA* out = output.scanline(y);
        for (int x = 0; x < dw; ++x) {
            const float* p = accum + 4 * x;
            if (alphaWeighted) {
                const auto alpha8 = static_cast<uint8_t>(std::clamp(p[3], 0.0f, 1.0f) * 255.0f + 0.5f);
                if (!(p[3] > 0.0f)) { // only negative lobes reached here: nothing visible
                    out[x] = RGBA{0, 0, 0, alpha8};
                    continue;
                }
                const float inv = 1.0f / p[3];
                out[x] = RGBA{srgb.encode(p[0] * inv), srgb.encode(p[1] * inv), srgb.encode(p[2] * inv), alpha8};
            } else {
                out[x] = RGBA{srgb.encode(p[0]), srgb.encode(p[1]), srgb.encode(p[2]), srgb.encode(p[3])};
            }
        }
    }
}

} // namespace vf::lanczos
