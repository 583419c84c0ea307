#include "gui/SizeConstraints.hpp"

#include <algorithm>
#include <cstdlib>

namespace vf {

namespace {

// Index of the entry nearest to ratio; the earlier one on a tie.  count is at
// least 1 for every type that calls this.
int nearestIndex(const float* ratios, int count, float ratio)
{
    int best = 0;
    float bestDistance = std::fabs(ratios[0] - ratio);
    for (int i = 1; i < count; ++i) {
        const float d = std::fabs(ratios[i] - ratio);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

// The largest entry not above limit (smallest non-negative difference, the
// earlier one on ties); the nearest entry when none is at or below.
int largestNotAbove(const float* ratios, int count, float limit)
{
    int best = -1;
    float bestDifference = 0;
    for (int i = 0; i < count; ++i) {
        const float d = limit - ratios[i];
        if (d >= 0 && (best < 0 || d < bestDifference)) {
            best = i;
            bestDifference = d;
        }
    }
    return best >= 0 ? best : nearestIndex(ratios, count, limit);
}

int scaled(int size, float s)
{
    return static_cast<int>(static_cast<float>(size) * s + 0.5f);
}

int clampCount(int n)
{
    return std::clamp(n, 0, SizeConstraints::maxScales);
}

} // namespace

SizeConstraints SizeConstraints::discrete(int w, int h, const float* ratios, int count)
{
    SizeConstraints c;
    c.type = discreteRatio;
    c.defaultWidth = w;
    c.defaultHeight = h;
    c.numScales = clampCount(count);
    std::copy(ratios, ratios + c.numScales, c.scales);
    return c;
}

SizeConstraints SizeConstraints::continuous(int w, int h, float minScale, float maxScale)
{
    SizeConstraints c;
    c.type = continuousRatio;
    c.defaultWidth = w;
    c.defaultHeight = h;
    c.minScale = minScale;
    c.maxScale = maxScale;
    return c;
}

SizeConstraints SizeConstraints::bounds(int w, int h, int minWidth, int minHeight, int maxWidth, int maxHeight)
{
    SizeConstraints c;
    c.type = rectangularBounds;
    c.defaultWidth = w;
    c.defaultHeight = h;
    c.minWidth = minWidth;
    c.minHeight = minHeight;
    c.maxWidth = maxWidth;
    c.maxHeight = maxHeight;
    return c;
}

SizeConstraints SizeConstraints::discretePerAxis(int w, int h, const float* ratiosX, int countX,
                                                 const float* ratiosY, int countY)
{
    SizeConstraints c;
    c.type = discreteRatioPerAxis;
    c.defaultWidth = w;
    c.defaultHeight = h;
    c.numScales = clampCount(countX);
    std::copy(ratiosX, ratiosX + c.numScales, c.scales);
    c.numScalesY = clampCount(countY);
    std::copy(ratiosY, ratiosY + c.numScalesY, c.scalesY);
    return c;
}

bool SizeConstraints::isResizable() const
{
    switch (type) {
    case continuousRatio:
    case rectangularBounds:
        return true;
    case discreteRatio:
        return numScales > 1;
    case discreteRatioPerAxis:
        return numScales >= 2 && numScalesY > 1;
    default:
        return false;
    }
}

void SizeConstraints::getNearestValidSize(int* width, int* height) const
{
    const float ratio = (static_cast<float>(*width) / static_cast<float>(defaultWidth)
                         + static_cast<float>(*height) / static_cast<float>(defaultHeight))
                        / 2;
    float s = 1.0f;
    switch (type) {
    case continuousRatio:
        s = std::min(maxScale, std::max(minScale, ratio));
        break;
    case discreteRatio:
        if (numScales < 1)
            return; // no valid size declared: leave the size alone
        s = scales[nearestIndex(scales, clampCount(numScales), ratio)];
        break;
    case rectangularBounds:
        *width = std::min(std::max(*width, minWidth), maxWidth);
        *height = std::min(std::max(*height, minHeight), maxHeight);
        return;
    case discreteRatioPerAxis: {
        if (numScales < 1 || numScalesY < 1)
            return;
        const float sx = scales[nearestIndex(scales, clampCount(numScales),
                                             static_cast<float>(*width) / static_cast<float>(defaultWidth))];
        const float sy = scalesY[nearestIndex(scalesY, clampCount(numScalesY),
                                              static_cast<float>(*height) / static_cast<float>(defaultHeight))];
        *width = static_cast<int>(std::lround(static_cast<float>(defaultWidth) * sx));
        *height = static_cast<int>(std::lround(static_cast<float>(defaultHeight) * sy));
        return;
    }
    default:
        std::abort(); // not a size rule of this framework
    }
    *width = scaled(defaultWidth, s);
    *height = scaled(defaultHeight, s);
}

void SizeConstraints::getMaxSmallerValidSize(int* width, int* height) const
{
    const int w = *width;
    const int h = *height;
    float s = 1.0f;
    switch (type) {
    case continuousRatio:
        s = std::clamp(std::min(static_cast<float>(w) / static_cast<float>(defaultWidth),
                                static_cast<float>(h) / static_cast<float>(defaultHeight)),
                       minScale, maxScale);
        break;
    case discreteRatio: {
        const int n = clampCount(numScales);
        if (n < 1)
            return;
        int best = -1;
        int64_t bestLeftover = 0;
        for (int i = 0; i < n; ++i) {
            const int sw = scaled(defaultWidth, scales[i]);
            const int sh = scaled(defaultHeight, scales[i]);
            if (sw > w || sh > h)
                continue;
            const int64_t leftover = static_cast<int64_t>(w - sw) + (h - sh);
            if (best < 0 || leftover < bestLeftover) {
                best = i;
                bestLeftover = leftover;
            }
        }
        s = scales[best >= 0 ? best : 0];
        break;
    }
    case rectangularBounds:
        getNearestValidSize(width, height);
        return;
    case discreteRatioPerAxis: {
        if (numScales < 1 || numScalesY < 1)
            return;
        const float sx = scales[largestNotAbove(scales, clampCount(numScales),
                                                (static_cast<float>(w) + 0.5f) / static_cast<float>(defaultWidth))];
        const float sy = scalesY[largestNotAbove(scalesY, clampCount(numScalesY),
                                                 (static_cast<float>(h) + 0.5f) / static_cast<float>(defaultHeight))];
        *width = scaled(defaultWidth, sx);
        *height = scaled(defaultHeight, sy);
        return;
    }
    default:
        std::abort();
    }
    *width = scaled(defaultWidth, s);
    *height = scaled(defaultHeight, s);
}

void SizeConstraints::getValidSizeRange(int* minW, int* minH, int* maxW, int* maxH) const
{
    auto range = [](const float* ratios, int count, float* lo, float* hi) {
        *lo = *hi = count > 0 ? ratios[0] : 1.f;
        for (int i = 1; i < count; ++i) {
            *lo = std::min(*lo, ratios[i]);
            *hi = std::max(*hi, ratios[i]);
        }
    };
    float loX = 1.f, hiX = 1.f, loY = 1.f, hiY = 1.f;
    switch (type) {
    case continuousRatio:
        loX = loY = minScale;
        hiX = hiY = maxScale;
        break;
    case discreteRatio:
        range(scales, clampCount(numScales), &loX, &hiX);
        loY = loX;
        hiY = hiX;
        break;
    case rectangularBounds:
        *minW = minWidth;
        *minH = minHeight;
        *maxW = maxWidth;
        *maxH = maxHeight;
        return;
    case discreteRatioPerAxis:
        range(scales, clampCount(numScales), &loX, &hiX);
        range(scalesY, clampCount(numScalesY), &loY, &hiY);
        break;
    default:
        std::abort();
    }
    *minW = scaled(defaultWidth, loX);
    *minH = scaled(defaultHeight, loY);
    *maxW = scaled(defaultWidth, hiX);
    *maxH = scaled(defaultHeight, hiY);
}

} // namespace vf
