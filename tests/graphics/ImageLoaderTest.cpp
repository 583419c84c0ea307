#include "TestImageFiles.hpp"

#include "graphics/ImageLoader.hpp"

#include <gtest/gtest.h>

using namespace vf;
using vf::test::encodePng;

namespace {

std::unique_ptr<OwnedImage<RGBA>> load(const std::vector<uint8_t>& file)
{
    return loadOwnedImage(file.data(), file.size());
}

bool isEmptyImage(const std::unique_ptr<OwnedImage<RGBA>>& img)
{
    return img != nullptr && img->empty() && img->width() == 0 && img->height() == 0 && img->pixels() == nullptr;
}

// Seven pixels, one chunk of every kind.
std::vector<uint8_t> handWrittenQoi()
{
    return {'q', 'o', 'i', 'f', 0, 0, 0, 7, 0, 0, 0, 1, 3, 0, // 7 x 1, RGB, sRGB
            0xFE, 10, 20, 30,                                 // RGB: (10, 20, 30, 255)
            0x40 | 3 << 4 | 1 << 2,                           // DIFF +1 -1 -2
            0x80 | 40, 0x95,                                  // LUMA dg 8, dr-dg 1, db-dg -3
            0xC1,                                             // RUN of 2
            0xFF, 1, 2, 3, 4,                                 // RGBA
            9,                                                // INDEX of the first pixel's hash
            0, 0, 0, 0, 0, 0, 0, 1};
}

} // namespace

TEST(LoadPng, ColourTypesAndDepthsBecomeStraightRgba)
{
    auto rgba = load(encodePng(2, 1, 6, 8, {255, 0, 0, 255, 10, 20, 30, 40}));
    ASSERT_EQ(rgba->width(), 2);
    EXPECT_EQ(rgba->pitch(), 8);
    EXPECT_EQ(rgba->scanline(0)[1], (RGBA{10, 20, 30, 40}));

    auto rgb = load(encodePng(1, 2, 2, 8, {1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(rgb->height(), 2);
    EXPECT_EQ(rgb->scanline(1)[0], (RGBA{4, 5, 6, 255}));

    auto grey = load(encodePng(2, 1, 0, 8, {7, 200}));
    EXPECT_EQ(grey->scanline(0)[1], (RGBA{200, 200, 200, 255}));
}

TEST(LoadPng, SixteenBitSamplesKeepTheirHighByte)
{
    auto img = load(encodePng(2, 1, 6, 16, {0x12FF, 0xAB01, 0x0080, 0xFFFF, 0x00FF, 0x8000, 0x7FFF, 0x0100}));
    ASSERT_EQ(img->width(), 2);
    EXPECT_EQ(img->scanline(0)[0], (RGBA{0x12, 0xAB, 0x00, 0xFF}));
    EXPECT_EQ(img->scanline(0)[1], (RGBA{0x00, 0x80, 0x7F, 0x01}));

    auto greyAlpha = load(encodePng(1, 1, 4, 16, {0x4000, 0x80FF}));
    EXPECT_EQ(greyAlpha->scanline(0)[0], (RGBA{0x40, 0x40, 0x40, 0x80}));
}

TEST(LoadJpeg, FlatColourDecodesCloseToItself)
{
    auto img = load(vf::test::encodeFlatJpeg(16, 8, RGBA{200, 100, 50, 255}));
    ASSERT_EQ(img->width(), 16);
    ASSERT_EQ(img->height(), 8);
    const RGBA p = img->scanline(7)[15];
    EXPECT_NEAR(p.r, 200, 3);
    EXPECT_NEAR(p.g, 100, 3);
    EXPECT_NEAR(p.b, 50, 3);
    EXPECT_EQ(p.a, 255);
}

TEST(LoadQoi, EveryChunkKindDecodes)
{
    auto img = load(handWrittenQoi());
    ASSERT_EQ(img->width(), 7);
    const RGBA* p = img->scanline(0);
    EXPECT_EQ(p[0], (RGBA{10, 20, 30, 255}));
    EXPECT_EQ(p[1], (RGBA{11, 19, 28, 255}));
    EXPECT_EQ(p[2], (RGBA{20, 27, 33, 255}));
    EXPECT_EQ(p[4], p[2]);
    EXPECT_EQ(p[5], (RGBA{1, 2, 3, 4}));
    EXPECT_EQ(p[6], p[0]);
}

TEST(LoadFailure, BadDataGivesAnEmptyImageNeverACrash)
{
    const std::vector<uint8_t> qoi = handWrittenQoi();
    EXPECT_TRUE(isEmptyImage(load({qoi.begin(), qoi.begin() + 20})));  // chunks cut short
    EXPECT_TRUE(isEmptyImage(load({qoi.begin(), qoi.begin() + 13})));  // header cut short
    auto huge = qoi;
    huge[4] = huge[8] = 0x7F; // ~2^60 pixels: refused before allocating
    EXPECT_TRUE(isEmptyImage(load(huge)));
    auto noWidth = qoi;
    noWidth[7] = 0;
    EXPECT_TRUE(isEmptyImage(load(noWidth)));

    const std::vector<uint8_t> png = encodePng(4, 4, 2, 8, std::vector<uint16_t>(48, 9));
    EXPECT_TRUE(isEmptyImage(load({png.begin(), png.begin() + 45})));
    const std::vector<uint8_t> jpeg = vf::test::encodeFlatJpeg(16, 16, RGBA{1, 2, 3, 255});
    EXPECT_TRUE(isEmptyImage(load({jpeg.begin(), jpeg.begin() + 30})));

    EXPECT_TRUE(isEmptyImage(loadOwnedImage(nullptr, 0)));
    EXPECT_TRUE(isEmptyImage(load({0xFF})));
    EXPECT_TRUE(isEmptyImage(load({0xFF, 0xD8})));
    EXPECT_TRUE(isEmptyImage(load({'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0})));
}
