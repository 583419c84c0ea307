#pragma once
#include "canvas/Rasterizer.hpp"
#include "graphics/ImageRef.hpp"
#include "graphics/Pixels.hpp"

namespace vf {

// Blends one solid colour into an RGBA image by the rasterizer's coverage under
// the non-zero rule.
class ColorBlit {
public:
    // originX: the image column of accumulation cell 0 (the rasterizer's clip left).
    void setup(ImageRef<RGBA> target, RGBA color, int originX = 0);

    // The blitter to hand to Rasterizer::rasterize; valid while this object lives.
    Blitter blitter() { return {&ColorBlit::blitRow, this}; }

    // Blends one row; see BlitFunction.
    static void blitRow(int y, int endX, int startX, const uint64_t* touchedMask, int32_t* accumulation,
                        void* userData);

private:
    ImageRef<RGBA> target_;
    RGBA color_;
    int originX_ = 0;
};

} // namespace vf
