#pragma once
#include <cmath>
#include <cstdint>

namespace vf {

// The sizes an editor's content may take.  A plain record: words a type does not
// use hold 0 (counts and bounds) or NaN (ratios).
struct SizeConstraints {
    enum Type : int32_t {
        continuousRatio = 0,    // any scale in [minScale, maxScale]
        discreteRatio = 1,      // one of scales
        rectangularBounds = 2,  // any size within [min, max] per axis
        discreteRatioPerAxis = 3 // scales horizontally, scalesY vertically
    };
    static constexpr int maxScales = 12;

    int32_t type = discreteRatio;
    int32_t defaultWidth = 0;
    int32_t defaultHeight = 0;
    int32_t numScales = 0;
    float scales[maxScales] = {NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN};
    int32_t numScalesY = 0;
    float scalesY[maxScales] = {NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN, NAN};
    float minScale = NAN;
    float maxScale = NAN;
    int32_t minWidth = 0;
    int32_t minHeight = 0;
    int32_t maxWidth = 0;
    int32_t maxHeight = 0;

    static SizeConstraints discrete(int defaultWidth, int defaultHeight, const float* ratios, int count);
    static SizeConstraints continuous(int defaultWidth, int defaultHeight, float minScale, float maxScale);
    static SizeConstraints bounds(int defaultWidth, int defaultHeight, int minWidth, int minHeight, int maxWidth,
                                  int maxHeight);
    static SizeConstraints discretePerAxis(int defaultWidth, int defaultHeight, const float* ratiosX, int countX,
                                           const float* ratiosY, int countY);

    bool isResizable() const;
    // The valid size nearest to the given one.
    void getNearestValidSize(int* width, int* height) const;
    // The largest valid size that fits inside the given one.
    void getMaxSmallerValidSize(int* width, int* height) const;
    // The smallest and the largest valid size (what a host may size its window to).
    void getValidSizeRange(int* minW, int* minH, int* maxW, int* maxH) const;
};

static_assert(sizeof(SizeConstraints) == 35 * 4);

} // namespace vf
