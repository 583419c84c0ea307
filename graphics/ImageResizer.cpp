#include "graphics/ImageResizer.hpp"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <emmintrin.h>

namespace vf {
namespace {

// The stock resampler asks for all its working memory in one block; hand it
// our scratch when it fits, otherwise remember how much it wanted.
struct ScratchGrant {
    void* block = nullptr;
    std::size_t capacity = 0;
    std::size_t requested = 0;
};

void* grantScratch(std::size_t size, void* context)
{
    auto* grant = static_cast<ScratchGrant*>(context);
    grant->requested = size;
    return size <= grant->capacity ? grant->block : nullptr;
}

} // namespace
} // namespace vf

#define STBIR_MALLOC(size, context) vf::grantScratch((size), (context))
#define STBIR_FREE(ptr, context) ((void)(ptr), (void)(context))
#define STB_IMAGE_RESIZE_STATIC
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wmisleading-indentation"
#include <stb/stb_image_resize.h>
#pragma GCC diagnostic pop

namespace vf {

float lanczosKernel(float x, float a)
{
    const float ax = std::fabs(x);
    if (ax <= 1.17549435e-38f) // smallest normal float: avoid 0/0 at the centre
        return 1.0f;
    if (ax >= a)
        return 0.0f;
    const float pi = 3.14159265358979323846f;
    const float px = pi * ax;
    return a * std::sin(px) * std::sin(px / a) / (px * px);
}

namespace {

struct Lanczos {
    float a;
    int support;
};

Lanczos lanczosFor(ResizeFilter f)
{
    switch (f) {
    case ResizeFilter::lanczos2:
        return {2.0f, 2};
    case ResizeFilter::lanczos2_5:
        return {2.5f, 3};
    case ResizeFilter::lanczos4:
        return {4.0f, 4};
    default:
        return {3.0f, 3};
    }
}

// sRGB <-> linear tables, built once (thread-safe static initialisation).
struct SrgbTables {
    static constexpr int buckets = 4096;

    float toLinear[256];
    // toLinear of the midpoints between codes: a linear value l encodes to the
    // number of thresholds it reaches, which is sRGB(l) * 255 rounded to nearest.
    float thresholds[255];
    // The code at the low end of each of `buckets` equal slices of [0, 1]; no
    // slice spans more than two codes, so encoding finishes in a step or two.
    uint8_t bucketStart[buckets + 1];

    SrgbTables()
    {
        auto decode = [](double s) { return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4); };
        for (int i = 0; i < 256; ++i)
            toLinear[i] = static_cast<float>(decode(i / 255.0));
        for (int i = 0; i < 255; ++i)
            thresholds[i] = static_cast<float>(decode((i + 0.5) / 255.0));
        for (int b = 0; b <= buckets; ++b) {
            const float low = static_cast<float>(b) / static_cast<float>(buckets);
            bucketStart[b] = static_cast<uint8_t>(std::upper_bound(thresholds, thresholds + 255, low) - thresholds);
        }
    }

    uint8_t encode(float l) const
    {
        if (!(l > 0.0f)) // also catches NaN
            return 0;
        if (l >= 1.0f)
            return 255;
        int code = bucketStart[static_cast<int>(l * static_cast<float>(buckets))];
        while (code < 255 && l >= thresholds[code])
            ++code;
        return static_cast<uint8_t>(code);
    }
};

const SrgbTables& srgbTables()
{
    static const SrgbTables tables;
    return tables;
}

constexpr float transparentBias = 1.0f / (1 << 20) / (1 << 20) / (1 << 20) / (1 << 20);

constexpr std::size_t align16(std::size_t n)
{
    return (n + 15) & ~std::size_t(15);
}

// Source taps of one output pixel along one axis.
struct Span {
    int first;
    int count;
};

// Geometry of one axis: how many taps an output pixel may need at most.
struct Axis {
    int srcSize;
    int dstSize;
    float scale;  // dst / src
    float radius; // in source pixels
    int maxTaps;

    Axis(int src, int dst, int support)
        : srcSize(src)
        , dstSize(dst)
        , scale(static_cast<float>(dst) / static_cast<float>(src))
        , radius(scale >= 1.0f ? static_cast<float>(support) : static_cast<float>(support) / scale)
        , maxTaps(static_cast<int>(std::ceil(2.0f * radius)) + 3)
    {
    }
};

// Working memory of the Lanczos path, carved out of one block.
struct LanczosLayout {
    std::size_t hSpans, hWeights, vSpans, vWeights, ringRows, ring, sourceRow, accum, total;

    LanczosLayout(const Axis& h, const Axis& v)
    {
        std::size_t at = 0;
        auto take = [&](std::size_t bytes) {
            const std::size_t offset = at;
            at += align16(bytes);
            return offset;
        };
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
        total = at;
    }
};

// Weights of every output pixel of one axis, normalised to sum 1 per pixel.
void computeWeights(const Axis& axis, float a, Span* spans, float* weights)
{
    const float kernelScale = std::min(axis.scale, 1.0f);
    for (int o = 0; o < axis.dstSize; ++o) {
        const float centre = (static_cast<float>(o) + 0.5f) / axis.scale; // in source coordinates
        int first = static_cast<int>(std::floor(centre - 0.5f - axis.radius));
        int last = static_cast<int>(std::ceil(centre - 0.5f + axis.radius));
        if (last - first + 1 > axis.maxTaps)
            last = first + axis.maxTaps - 1;
        float* w = weights + static_cast<std::size_t>(o) * static_cast<std::size_t>(axis.maxTaps);
        float sum = 0.0f;
        for (int i = first; i <= last; ++i) {
            const float d = (static_cast<float>(i) + 0.5f - centre) * kernelScale;
            w[i - first] = lanczosKernel(d, a);
            sum += w[i - first];
        }
        if (std::fabs(sum) < 1e-6f) { // cannot happen for sane sizes; fall back to nearest
            const int nearest = std::clamp(static_cast<int>(centre), 0, axis.srcSize - 1);
            first = nearest;
            last = nearest;
            w[0] = 1.0f;
            sum = 1.0f;
        }
        const float inv = 1.0f / sum;
        for (int i = 0; i <= last - first; ++i)
            w[i] *= inv;
        spans[o] = {first, last - first + 1};
    }
}

void lanczosResize(
    ImageRef<RGBA> input, ImageRef<RGBA> output, bool alphaWeighted, float a, const Axis& h, const Axis& v, void* block)
{
    const LanczosLayout layout(h, v);
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
                // The tiny bias keeps the colour of an all-transparent
                // neighbourhood (2^-80: no weight next to any visible pixel).
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

} // namespace

ImageResizer::~ImageResizer()
{
    std::free(scratch_);
}

bool ImageResizer::ensureScratch(std::size_t bytes)
{
    if (bytes <= scratchSize_)
        return true;
    void* grown = std::realloc(scratch_, bytes);
    if (grown == nullptr)
        return false; // the old block stays ours
    scratch_ = grown;
    scratchSize_ = bytes;
    return true;
}

void ImageResizer::resizeImageSRGB(ImageRef<RGBA> input, ImageRef<RGBA> output, int alphaChannel, ResizeFilter filter)
{
    if (input.pixels == nullptr || output.pixels == nullptr || input.width <= 0 || input.height <= 0
        || output.width <= 0 || output.height <= 0)
        return;
    if (alphaChannel != 3 && alphaChannel != -1)
        return;
    const int f = static_cast<int>(filter);
    if (f < 0 || f > 9)
        return;

    if (f >= static_cast<int>(ResizeFilter::lanczos2)) {
        const Lanczos k = lanczosFor(filter);
        const Axis h(input.width, output.width, k.support);
        const Axis v(input.height, output.height, k.support);
        if (!ensureScratch(LanczosLayout(h, v).total))
            return;
        lanczosResize(input, output, alphaChannel == 3, k.a, h, v, scratch_);
        return;
    }

    if (input.pitch > INT_MAX || input.pitch < INT_MIN || output.pitch > INT_MAX || output.pitch < INT_MIN)
        return;
    const auto stbFilter = static_cast<stbir_filter>(f);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ScratchGrant grant{scratch_, scratchSize_, 0};
        const int done = stbir_resize(input.pixels, input.width, input.height, static_cast<int>(input.pitch),
                                      output.pixels, output.width, output.height, static_cast<int>(output.pitch),
                                      STBIR_TYPE_UINT8, 4, alphaChannel, 0, STBIR_EDGE_CLAMP, STBIR_EDGE_CLAMP,
                                      stbFilter, stbFilter, STBIR_COLORSPACE_SRGB, &grant);
        if (done || grant.requested <= scratchSize_ || !ensureScratch(grant.requested))
            return;
    }
}

} // namespace vf
