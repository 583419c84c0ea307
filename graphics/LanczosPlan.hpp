#pragma once
// What the Lanczos resampler's kernels share: axis geometry, weights, sRGB
// tables and the per-band working memory. Internal to the image code.
#include "graphics/ImageRef.hpp"
#include "graphics/Pixels.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace vf::lanczos {

// sRGB <-> linear tables, built once (thread-safe static initialisation).
struct SrgbTables {
    static constexpr int buckets = 4096;

    float toLinear[256];
    // toLinear of the midpoints between codes, then +inf: a linear value l
    // encodes to the number of thresholds it reaches, which is sRGB(l) * 255
    // rounded to nearest. The sentinel lets a lookup at code 255 stay in range.
    float thresholds[256];
    // The code at the low end of each of `buckets` equal slices of [0, 1]. The
    // thresholds are further apart than a slice is wide, so within a slice the
    // code rises by at most one.
    uint8_t bucketStart[buckets + 1];
    // The same, widened for 32-bit gathers, and the threshold that takes each
    // slice's code one up: both looked up by slice, neither waiting on the other.
    int32_t bucketStart32[buckets + 1];
    float bucketThreshold[buckets + 1];

    SrgbTables();

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

    // encode without the data-dependent loop: one step is always enough.
    uint8_t encodeBranchless(float l) const
    {
        const float c = l > 0.0f ? (l < 1.0f ? l : 1.0f) : 0.0f; // NaN -> 0
        const int slice = static_cast<int>(c * static_cast<float>(buckets));
        const int stepped = bucketStart[slice] + (c >= bucketThreshold[slice] ? 1 : 0);
        return static_cast<uint8_t>(l > 0.0f ? (l >= 1.0f ? 255 : stepped) : 0);
    }
};

const SrgbTables& srgbTables();

// One pixel's accumulated linear values to 8-bit sRGB.
inline RGBA encodePixel(const SrgbTables& srgb, const float* p, bool alphaWeighted)
{
    if (!alphaWeighted)
        return RGBA{srgb.encodeBranchless(p[0]), srgb.encodeBranchless(p[1]), srgb.encodeBranchless(p[2]),
                    srgb.encodeBranchless(p[3])};
    const auto alpha8 = static_cast<uint8_t>(std::clamp(p[3], 0.0f, 1.0f) * 255.0f + 0.5f);
    if (!(p[3] > 0.0f)) // only negative lobes reached here: nothing visible
        return RGBA{0, 0, 0, alpha8};
    const float inv = 1.0f / p[3];
    return RGBA{srgb.encodeBranchless(p[0] * inv), srgb.encodeBranchless(p[1] * inv),
                srgb.encodeBranchless(p[2] * inv), alpha8};
}


// 2^-80: keeps the colour of an all-transparent neighbourhood without weighing
// next to any visible pixel.
constexpr float transparentBias = 1.0f / (1 << 20) / (1 << 20) / (1 << 20) / (1 << 20);

constexpr std::size_t align32(std::size_t n)
{
    return (n + 31) & ~std::size_t(31);
}

// Hands out 32-byte aligned offsets into one block of working memory, in the order
// asked; `end` is the size used so far.
struct BlockCarver {
    std::size_t end = 0;
    std::size_t take(std::size_t bytes)
    {
        const std::size_t offset = end;
        end += align32(bytes);
        return offset;
    }
};

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

    Axis(int src, int dst, int support);
};

// Weights of every output pixel of one axis, normalised to sum 1 per pixel,
// maxTaps floats per pixel. Slots past a pixel's count are left as they were.
void computeWeights(const Axis& axis, float a, Span* spans, float* weights);

// The original loop: one pixel per SSE2 vector, taps clamped one by one, the
// whole image on the calling thread. Kept as the yardstick for the fast kernels.
std::size_t referenceScratchBytes(const Axis& h, const Axis& v);
void referenceResize(
    ImageRef<RGBA> input, ImageRef<RGBA> output, bool alphaWeighted, float a, const Axis& h, const Axis& v, void* block);

// Read-only once built; every band of one resample reads it.
struct Plan {
    ImageRef<RGBA> input;
    ImageRef<RGBA> output;
    bool alphaWeighted;
    int maxHTaps, maxVTaps;
    // Edge pixels copied to each side of a linearised source row, so that no tap
    // needs clamping.
    int pad;
    const Span* hSpans;
    const float* hWeights; // zero past each pixel's count
    // Output pixels 2k and 2k+1 side by side: per tap, four copies of each one's
    // weight (zero past its count). Empty for the SSE2 kernel.
    const float* hPairWeights;
    const Span* vSpans;
    const float* vWeights;
};

// One band's working memory.
struct Band {
    int* ringRows;      // which source row each ring slot holds
    float* ring;        // maxVTaps horizontally filtered rows
    float* sourceRow;   // linearised row with `pad` pixels either side
    const float** rows; // the ring rows of the output row at hand, in tap order
    float* accum;       // that output row in linear light
};

// Linearises source row sourceY and resamples it horizontally into dst.
using FilterRow = void (*)(const Plan& plan, const Band& band, int sourceY, float* dst);

// Empties the band's ring; before its first row.
void resetRing(const Plan& plan, const Band& band);

// Brings every source row that output row y needs into the ring, filtering the
// missing ones, and points band.rows at them in tap order; returns the tap count.
int prepareRows(const Plan& plan, const Band& band, int y, FilterRow filter);

// Output rows [y0, y1) of the plan.
void resampleBandSse2(const Plan& plan, const Band& band, int y0, int y1);
void resampleBandAvx2(const Plan& plan, const Band& band, int y0, int y1);

} // namespace vf::lanczos
