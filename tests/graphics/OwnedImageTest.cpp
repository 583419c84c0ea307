#include "graphics/OwnedImage.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

using namespace vf;

namespace {

// Content pixel (x, y) = 100 * y + x + 1, every border pixel 0.
OwnedImage<L16>& numbered(OwnedImage<L16>& img, int w, int h, int border, int borderRight)
{
    img.size(w, h, border, borderRight);
    for (int y = -border; y < h + border; ++y)
        for (int x = -border; x < w + borderRight; ++x) {
            const bool inside = x >= 0 && y >= 0 && x < w && y < h;
            img.scanline(y)[x].l = inside ? uint16_t(100 * y + x + 1) : 0;
        }
    return img;
}

uint16_t at(const OwnedImage<L16>& img, int x, int y)
{
    return img.scanline(y)[x].l;
}

} // namespace

TEST(OwnedImageSizing, PitchesOfTheRootsBuffers)
{
    OwnedImage<L16> depth;
    EXPECT_TRUE(depth.empty());
    numbered(depth, 37, 11, 1, 2); // writes every border pixel: ASan checks the extent
    EXPECT_EQ(depth.pitch(), 2 * 37 + 6);

    for (int width : {1, 3, 4, 5, 17}) {
        OwnedImage<RGBA> plain, bordered;
        plain.size(width, 5, 0, 0, 16);
        bordered.size(width, 5, 0, 3, 16);
        EXPECT_EQ(plain.pitch(), (4 * width + 15) / 16 * 16);
        EXPECT_EQ(bordered.pitch(), (4 * width + 27) / 16 * 16);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(bordered.pixels()) % 16, 0u);
        bordered.scanline(4)[width + 2] = RGBA{1, 2, 3, 4};
    }

    OwnedImage<RGBA> img; // a caller's negative size must not become a huge allocation
    img.size(-3, -4, -1, -1);
    EXPECT_TRUE(img.empty());
}

TEST(BorderReplication, WholeImageFillsEveryBorderPixelFromTheNearestEdge)
{
    OwnedImage<L16> img;
    numbered(img, 5, 4, 1, 2).replicateBordersTouching(img.bounds());
    for (int y = -1; y <= 4; ++y)
        for (int x = -1; x <= 6; ++x)
            ASSERT_EQ(at(img, x, y), 100 * std::clamp(y, 0, 3) + std::clamp(x, 0, 4) + 1) << x << "," << y;
}

TEST(BorderReplication, OnlyTheBorderNextToTheRectangleChanges)
{
    OwnedImage<L16> img;
    numbered(img, 6, 5, 2, 3).replicateBordersTouching(box2i::rectangle(4, 3, 2, 2)); // bottom-right corner
    EXPECT_EQ(at(img, 8, 6), 100 * 4 + 6);
    EXPECT_EQ(at(img, 7, 3), 100 * 3 + 6);
    EXPECT_EQ(at(img, 4, 6), 100 * 4 + 5);
    EXPECT_EQ(at(img, 3, 5), 0);  // below, left of the rectangle
    EXPECT_EQ(at(img, 6, 2), 0);  // right, above the rectangle
    EXPECT_EQ(at(img, -1, 4), 0); // left border

    numbered(img, 6, 5, 1, 2).replicateBordersTouching(box2i::rectangle(2, 0, 2, 1)); // top edge only
    for (int x = -1; x <= 7; ++x)
        EXPECT_EQ(at(img, x, -1), (x == 2 || x == 3) ? x + 1 : 0) << x;
}

TEST(BorderReplication, RectangleTouchingNoEdgeChangesNothingAndLargeOnesAreClipped)
{
    OwnedImage<L16> img;
    numbered(img, 6, 5, 1, 2).replicateBordersTouching(box2i::rectangle(1, 1, 4, 3));
    for (int y = -1; y <= 5; ++y)
        for (int x = -1; x <= 7; ++x) {
            if (x < 0 || y < 0 || x >= 6 || y >= 5) {
                ASSERT_EQ(at(img, x, y), 0) << x << "," << y;
            }
        }
    numbered(img, 4, 3, 1, 1).replicateBordersTouching(box2i{{-50, -50}, {500, 500}});
    EXPECT_EQ(at(img, -1, -1), 1);
    EXPECT_EQ(at(img, 4, 3), 100 * 2 + 4);
}
