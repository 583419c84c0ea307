#include "flatwidgets/ImageBlend.hpp"

#include "graphics/OwnedImage.hpp"

#include <gtest/gtest.h>

namespace vf {
namespace {

// Every source alpha against a spread of source and destination values, through
// both the four-pixel path and the leftover pixels of a row.
TEST(ImageBlend, MatchesTheFlooredFormulaForEveryAlpha)
{
    constexpr int W = 7; // four pixels in the wide path, three left over
    OwnedImage<RGBA> src, dst;
    src.size(W, 256);
    dst.size(W, 256);
    auto channel = [](int x, int y, int c) { return static_cast<uint8_t>((x * 37 + y * 11 + c * 71) & 255); };
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < W; ++x) {
            src.scanline(y)[x] = RGBA{channel(x, y, 0), channel(x, y, 1), channel(x, y, 2), static_cast<uint8_t>(y)};
            dst.scanline(y)[x] = RGBA{channel(x, y, 3), channel(x, y, 4), channel(x, y, 5), channel(x, y, 6)};
        }
    OwnedImage<RGBA> before;
    before.size(W, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < W; ++x)
            before.scanline(y)[x] = dst.scanline(y)[x];

    blendImageOver(dst.toRef(), src.toRef(), box2i::rectangle(0, 0, W, 256));

    auto expect = [](uint8_t s, uint8_t d, uint8_t a) { return static_cast<uint8_t>((s * a + d * (255 - a)) / 255); };
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < W; ++x) {
            const RGBA s = src.scanline(y)[x], d = before.scanline(y)[x], out = dst.scanline(y)[x];
            ASSERT_EQ(out.r, expect(s.r, d.r, s.a)) << x << "," << y;
            ASSERT_EQ(out.g, expect(s.g, d.g, s.a)) << x << "," << y;
            ASSERT_EQ(out.b, expect(s.b, d.b, s.a)) << x << "," << y;
            ASSERT_EQ(out.a, expect(s.a, d.a, s.a)) << x << "," << y;
        }
}

TEST(ImageBlend, TouchesOnlyTheRectangleInsideBothImages)
{
    OwnedImage<RGBA> src, dst;
    src.size(4, 4);
    dst.size(8, 8);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            src.scanline(y)[x] = RGBA{255, 255, 255, 255};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            dst.scanline(y)[x] = RGBA{0, 0, 0, 255};
    blendImageOver(dst.toRef(), src.toRef(), box2i::rectangle(2, 2, 10, 10));
    int white = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            white += dst.scanline(y)[x].r == 255;
    EXPECT_EQ(white, 4); // (2,2)-(4,4): clipped to the 4 x 4 source
    EXPECT_EQ(dst.scanline(3)[3].r, 255);
}

} // namespace
} // namespace vf
