// 8-bit sRGB resampling: the Lanczos kernels picked and banded over threads, the stock resampler for the rest.
#include "graphics/ImageResizer.hpp"
#include "core/ThreadPool.hpp"
#include "graphics/LanczosPlan.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

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

bool cpuRunsAvx2()
{
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return avx2;
}

// Working memory of the band kernels, carved out of one block: the weights
// once, then a ring, source row and row table for each band.
struct BandLayout {
    std::size_t hSpans, hWeights, hPairWeights, vSpans, vWeights, shared;
    std::size_t ringRows, ring, sourceRow, rows, accum, perBand;
    int pad;

    BandLayout(const lanczos::Axis& h, const lanczos::Axis& v, bool pairs)
    {
        using lanczos::align32;
        // Taps reach at most a radius and a few pixels past either edge.
        pad = h.maxTaps + 1;
        lanczos::BlockCarver block;
        auto take = [&](std::size_t bytes) { return block.take(bytes); };
        const auto dw = static_cast<std::size_t>(h.dstSize), dh = static_cast<std::size_t>(v.dstSize);
        const auto hTaps = static_cast<std::size_t>(h.maxTaps), vTaps = static_cast<std::size_t>(v.maxTaps);
        hSpans = take(dw * sizeof(lanczos::Span));
        hWeights = take(dw * hTaps * sizeof(float));
        hPairWeights = take(pairs ? (dw + 1) / 2 * hTaps * 8 * sizeof(float) : 0);
        vSpans = take(dh * sizeof(lanczos::Span));
        vWeights = take(dh * vTaps * sizeof(float));
        shared = block.end;
        block = {};
        ringRows = take(vTaps * sizeof(int));
        ring = take(vTaps * dw * 4 * sizeof(float));
        sourceRow = take((static_cast<std::size_t>(h.srcSize) + 2 * static_cast<std::size_t>(pad)) * 4 * sizeof(float));
        rows = take(vTaps * sizeof(const float*));
        accum = take(dw * 4 * sizeof(float));
        perBand = block.end;
    }

    std::size_t total(int bands) const { return shared + static_cast<std::size_t>(bands) * perBand; }
};

// Zeroes each pixel's weights past its count, and checks that every tap the
// kernels may read lies within the padded source row.
bool padWeights(const lanczos::Axis& h, const lanczos::Span* spans, float* weights, int pad)
{
    for (int x = 0; x < h.dstSize; ++x) {
        float* w = weights + static_cast<std::size_t>(x) * static_cast<std::size_t>(h.maxTaps);
        std::fill(w + spans[x].count, w + h.maxTaps, 0.0f);
        if (spans[x].first < -pad || spans[x].first + h.maxTaps > h.srcSize + pad)
            return false;
    }
    return true;
}

// Pixels 2k and 2k+1 side by side, four copies of each weight, for the
// two-pixels-per-vector horizontal pass.
void pairWeights(const lanczos::Axis& h, const float* weights, float* pairs)
{
    const auto taps = static_cast<std::size_t>(h.maxTaps);
    for (int x = 0; x < h.dstSize; ++x) {
        const float* w = weights + static_cast<std::size_t>(x) * taps;
        float* out = pairs + static_cast<std::size_t>(x / 2) * taps * 8 + static_cast<std::size_t>(x % 2) * 4;
        for (std::size_t t = 0; t < taps; ++t)
            std::fill_n(out + 8 * t, 4, w[t]);
    }
}

} // namespace

bool ImageResizer::cpuHasAvx2()
{
    return cpuRunsAvx2();
}

void ImageResizer::resizeLanczos(
    ImageRef<RGBA> input, ImageRef<RGBA> output, bool alphaWeighted, ResizeFilter filter, ThreadPool* pool)
{
    const Lanczos k = lanczosFor(filter);
    const lanczos::Axis h(input.width, output.width, k.support);
    const lanczos::Axis v(input.height, output.height, k.support);
    auto reference = [&] {
        weightsKey_ = {}; // the reference kernel uses the scratch its own way
        if (ensureScratch(lanczos::referenceScratchBytes(h, v)))
            lanczos::referenceResize(input, output, alphaWeighted, k.a, h, v, scratch_);
    };
    if (kernel_ == Kernel::reference)
        return reference();

    const bool avx2 = kernel_ != Kernel::sse2 && cpuRunsAvx2();
    const BandLayout layout(h, v, avx2);
    // Waking the pool costs more than a small image takes on one thread.
    const bool worthBands = static_cast<long>(output.width) * output.height >= 32768;
    const int bands = pool != nullptr && worthBands ? std::clamp(pool->numThreads(), 1, output.height) : 1;
    if (!ensureScratch(layout.total(bands)))
        return;
    auto* base = static_cast<uint8_t*>(scratch_);
    auto* hSpans = reinterpret_cast<lanczos::Span*>(base + layout.hSpans);
    auto* hWeights = reinterpret_cast<float*>(base + layout.hWeights);
    auto* hPairWeights = reinterpret_cast<float*>(base + layout.hPairWeights);
    auto* vSpans = reinterpret_cast<lanczos::Span*>(base + layout.vSpans);
    auto* vWeights = reinterpret_cast<float*>(base + layout.vWeights);
    const WeightsKey key{input.width, output.width, input.height, output.height, k.a, avx2};
    if (!(key == weightsKey_)) {
        lanczos::computeWeights(h, k.a, hSpans, hWeights);
        lanczos::computeWeights(v, k.a, vSpans, vWeights);
        if (!padWeights(h, hSpans, hWeights, layout.pad))
            return reference(); // not expected; it clamps every tap
        if (avx2)
            pairWeights(h, hWeights, hPairWeights);
        weightsKey_ = key;
    }

    const lanczos::Plan plan{input,  output, alphaWeighted, h.maxTaps, v.maxTaps,
                             layout.pad, hSpans, hWeights, avx2 ? hPairWeights : nullptr, vSpans, vWeights};
    const auto resample = avx2 ? lanczos::resampleBandAvx2 : lanczos::resampleBandSse2;
    auto runBand = [&](int b, int) {
        uint8_t* own = base + layout.shared + static_cast<std::size_t>(b) * layout.perBand;
        const lanczos::Band band{reinterpret_cast<int*>(own + layout.ringRows),
                                 reinterpret_cast<float*>(own + layout.ring),
                                 reinterpret_cast<float*>(own + layout.sourceRow),
                                 reinterpret_cast<const float**>(own + layout.rows),
                                 reinterpret_cast<float*>(own + layout.accum)};
        lanczos::resetRing(plan, band);
        const auto rows = static_cast<long long>(output.height);
        resample(plan, band, static_cast<int>(rows * b / bands), static_cast<int>(rows * (b + 1) / bands));
    };
    if (bands == 1)
        runBand(0, 0);
    else
        pool->parallelFor(bands, runBand);
}

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
    resizeImageSRGB(input, output, alphaChannel, filter, nullptr);
}

void ImageResizer::resizeImageSRGB(
    ImageRef<RGBA> input, ImageRef<RGBA> output, int alphaChannel, ResizeFilter filter, ThreadPool* pool)
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
        resizeLanczos(input, output, alphaChannel == 3, filter, pool);
        return;
    }

    if (input.pitch > INT_MAX || input.pitch < INT_MIN || output.pitch > INT_MAX || output.pitch < INT_MIN)
        return;
    const auto stbFilter = static_cast<stbir_filter>(f);
    weightsKey_ = {}; // the stock resampler fills the scratch its own way
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
