// The Lanczos resampler's shared pieces: kernel, weights, axis geometry, sRGB tables.
#include "graphics/LanczosPlan.hpp"
#include "graphics/ImageResizer.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

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

namespace lanczos {

SrgbTables::SrgbTables()
{
    auto decode = [](double s) { return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4); };
    for (int i = 0; i < 256; ++i)
        toLinear[i] = static_cast<float>(decode(i / 255.0));
    for (int i = 0; i < 255; ++i)
        thresholds[i] = static_cast<float>(decode((i + 0.5) / 255.0));
    thresholds[255] = std::numeric_limits<float>::infinity();
    for (int b = 0; b <= buckets; ++b) {
        const float low = static_cast<float>(b) / static_cast<float>(buckets);
        bucketStart[b] = static_cast<uint8_t>(std::upper_bound(thresholds, thresholds + 255, low) - thresholds);
        bucketStart32[b] = bucketStart[b];
        bucketThreshold[b] = thresholds[bucketStart[b]];
    }
}

const SrgbTables& srgbTables()
{
    static const SrgbTables tables;
    return tables;
}

Axis::Axis(int src, int dst, int support)
    : srcSize(src)
    , dstSize(dst)
    , scale(static_cast<float>(dst) / static_cast<float>(src))
    , radius(scale >= 1.0f ? static_cast<float>(support) : static_cast<float>(support) / scale)
    , maxTaps(static_cast<int>(std::ceil(2.0f * radius)) + 3)
{
}

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

} // namespace lanczos
} // namespace vf

namespace vf::lanczos {

void resetRing(const Plan& plan, const Band& band)
{
    std::fill_n(band.ringRows, plan.maxVTaps, std::numeric_limits<int>::min());
}

int prepareRows(const Plan& plan, const Band& band, int y, FilterRow filter)
{
    const int ringSize = plan.maxVTaps;
    const std::size_t rowFloats = static_cast<std::size_t>(plan.output.width) * 4;
    const Span span = plan.vSpans[y];
    for (int t = 0; t < span.count; ++t) {
        const int j = span.first + t; // consecutive j land in distinct slots
        const int slot = ((j % ringSize) + ringSize) % ringSize;
        float* rowData = band.ring + static_cast<std::size_t>(slot) * rowFloats;
        if (band.ringRows[slot] != j) {
            filter(plan, band, std::clamp(j, 0, plan.input.height - 1), rowData);
            band.ringRows[slot] = j;
        }
        band.rows[t] = rowData;
    }
    return span.count;
}

} // namespace vf::lanczos
