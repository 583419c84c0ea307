#include "canvas/ColorBlit.hpp"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace vf {

namespace {

inline uint8_t blendTouched(uint32_t d, uint32_t c, uint32_t weight)
{
    const int32_t v = static_cast<int32_t>(d) + static_cast<int32_t>((c * weight) >> 16) -
                      static_cast<int32_t>((d * weight) >> 16);
    return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

inline uint8_t blendConstant(uint32_t d, uint32_t c, uint32_t weight)
{
    const uint32_t v = ((d * (65535 - weight)) >> 16) + ((c * weight) >> 16);
    return static_cast<uint8_t>(std::min<uint32_t>(v, 255));
}

// Pixels [x0, x1) of row take one constant coverage s.
void fillStretch(RGBA* row, int x0, int x1, int64_t s, RGBA color)
{
    if (x1 <= x0)
        return;
    const uint32_t v = static_cast<uint32_t>(std::min<int64_t>(2 * std::abs(s), 65535));
    if (v <= 255)
        return;
    if (color.a == 255 && v >= 65281) {
        std::fill(row + x0, row + x1, color);
        return;
    }
    const uint32_t weight = (v * (uint32_t{color.a} * 256)) >> 16;
    for (int x = x0; x < x1; ++x) {
        RGBA& d = row[x];
        d.r = blendConstant(d.r, color.r, weight);
        d.g = blendConstant(d.g, color.g, weight);
        d.b = blendConstant(d.b, color.b, weight);
        d.a = blendConstant(d.a, color.a, weight);
    }
}

inline bool groupTouched(const uint64_t* mask, int group)
{
    return (mask[group >> 6] >> (group & 63)) & 1;
}

// The first touched group at or after group, or endGroup if none is before it.
int nextTouchedGroup(const uint64_t* mask, int group, int endGroup)
{
    while (group < endGroup) {
        const uint64_t bits = mask[group >> 6] >> (group & 63);
        if (bits != 0)
            return std::min(endGroup, group + std::countr_zero(bits));
        group = (group | 63) + 1;
    }
    return endGroup;
}

} // namespace

void ColorBlit::setup(ImageRef<RGBA> target, RGBA color, int originX)
{
    target_ = target;
    color_ = color;
    originX_ = originX;
}

void ColorBlit::blitRow(int y, int endX, int startX, const uint64_t* touchedMask, int32_t* accumulation,
                        void* userData)
{
    const ColorBlit& self = *static_cast<const ColorBlit*>(userData);
    const RGBA color = self.color_;
    const bool rowVisible = y >= 0 && y < self.target_.height;
    RGBA* row = rowVisible ? self.target_.scanline(y) : nullptr;

    // Only image columns [0, width) are written; cell i is column originX + i.
    const int firstCell = std::max(0, -self.originX_);
    const int lastCell = self.target_.width - self.originX_; // exclusive
    auto visible = [&](int cell) { return rowVisible && cell >= firstCell && cell < lastCell; };

    int64_t s = 0;
    const int endGroup = endX >> 2;
    int group = startX >> 2;
    while (group < endGroup) {
        if (groupTouched(touchedMask, group)) {
            for (int cell = group * 4; cell < group * 4 + 4; ++cell) {
                s += accumulation[cell];
                accumulation[cell] = 0;
                if (!visible(cell))
                    continue;
                const int64_t magnitude = std::min<int64_t>(std::abs(s), 32767);
                const uint32_t v = static_cast<uint32_t>(2 * magnitude);
                RGBA& d = row[self.originX_ + cell];
                // The weight tops out just short of 65535, which would leave a
                // fully covered pixel a level off an opaque colour: like the
                // untouched stretches, full coverage writes the colour itself.
                if (color.a == 255 && v >= 65281) {
                    d = color;
                    continue;
                }
                const uint32_t weight = (v * (uint32_t{color.a} * 256)) >> 16;
                d.r = blendTouched(d.r, color.r, weight);
                d.g = blendTouched(d.g, color.g, weight);
                d.b = blendTouched(d.b, color.b, weight);
                d.a = blendTouched(d.a, color.a, weight);
            }
            ++group;
            continue;
        }
        // An untouched stretch: the coverage stays s up to the next touched group.
        const int stretchEnd = nextTouchedGroup(touchedMask, group + 1, endGroup);
        if (rowVisible && s != 0) {
            const int x0 = std::max(group * 4, firstCell);
            const int x1 = std::min(stretchEnd * 4, lastCell);
            fillStretch(row, self.originX_ + x0, self.originX_ + x1, s, color);
        }
        group = stretchEnd;
    }
}

} // namespace vf
