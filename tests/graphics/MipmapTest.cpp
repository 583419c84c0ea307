#include "graphics/Mipmap.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace vf;

namespace {

// The level filters written straight from their formulas, one pixel at a time.
int referenceCubic(const auto& sample, int x, int y, int w, int h)
{
    static constexpr int weight[4] = {1, 3, 3, 1};
    int sum = 0;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            sum += weight[i] * weight[j] * sample(std::clamp(2 * x - 1 + i, 0, w - 1), std::clamp(2 * y - 1 + j, 0, h - 1));
    return (sum + 32) >> 6;
}

RGBA referenceRGBA(Quality q, const ImageRef<RGBA>& s, int x, int y)
{
    const RGBA p[4] = {s.at(2 * x, 2 * y), s.at(2 * x + 1, 2 * y), s.at(2 * x, 2 * y + 1), s.at(2 * x + 1, 2 * y + 1)};
    int sumA = 0, sumAA = 0;
    for (const RGBA& v : p) {
        sumA += v.a;
        sumAA += v.a * v.a;
    }
    if (q == Quality::boxAlphaCov && sumA == 0)
        return {0, 0, 0, 0};
    uint8_t out[4];
    for (int c = 0; c < 4; ++c) {
        int sum = 0, weighted = 0;
        for (const RGBA& v : p) {
            sum += (&v.r)[c];
            weighted += v.a * (&v.r)[c];
        }
        int r = 0;
        switch (q) {
        case Quality::box:
            r = (sum + 2) >> 2;
            break;
        case Quality::cubic:
            r = referenceCubic([&](int sx, int sy) { return (&s.at(sx, sy).r)[c]; }, x, y, s.width, s.height);
            break;
        case Quality::boxAlphaCov:
            r = c == 3 ? (sumA + 2) >> 2 : int(std::floor(float(weighted) / float(sumA) + 0.5f));
            break;
        case Quality::boxAlphaCovIntoPremul:
            r = ((c == 3 ? sumAA : weighted) + 512) >> 10;
            break;
        }
        out[c] = uint8_t(std::clamp(r, 0, 255));
    }
    return {out[0], out[1], out[2], out[3]};
}

// Random channel values, half of them 0, 255 or tiny, where rounding and
// transparency cases live.
uint8_t randomChannel(std::mt19937& rng)
{
    const uint32_t v = rng();
    static constexpr uint8_t edgeValues[4] = {0, 255, 1, 3};
    return (v & 1) ? uint8_t(v >> 8) : edgeValues[(v >> 1) & 3];
}

} // namespace

TEST(MipmapSizing, LevelCountStopsAtTheFirstZeroDimension)
{
    Mipmap<RGBA> mip;
    mip.size(5, 5, 3);
    ASSERT_EQ(mip.numLevels(), 2);
    EXPECT_EQ(mip.level(1).width(), 2);
    EXPECT_EQ(mip.level(1).height(), 1);
    EXPECT_EQ(mip.level(1).pitch(), 8);

    Mipmap<L16> depth;
    depth.size(2, 640, 480);
    EXPECT_EQ(depth.numLevels(), 3);
}

TEST(MipmapSizing, LevelsAreKeptWhenResized)
{
    Mipmap<RGBA> mip;
    mip.size(3, 64, 64);
    OwnedImage<RGBA>* first = &mip.level(1);
    mip.size(3, 128, 96);
    EXPECT_EQ(&mip.level(1), first);
    EXPECT_EQ(mip.level(3).width(), 16);
    // Too small for the levels held: the surplus ones stay, empty, and
    // generating them does nothing.
    mip.size(3, 5, 5);
    ASSERT_EQ(mip.numLevels(), 4);
    EXPECT_TRUE(mip.level(3).empty());
    EXPECT_TRUE(mip.generateNextLevel(Quality::cubic, box2i{{0, 0}, {1, 1}}, 3).empty());
    EXPECT_TRUE(mip.generateNextLevel(Quality::box, box2i{{0, 0}, {4, 4}}, 4).empty());
}

TEST(MipmapImpact, DependentRectangles)
{
    using M = Mipmap<RGBA>;
    EXPECT_EQ(M::impactOnNextLevel(Quality::box, box2i{{3, 5}, {7, 8}}, 100, 100), (box2i{{1, 2}, {4, 4}}));
    EXPECT_EQ(M::impactOnNextLevel(Quality::boxAlphaCov, box2i{{3, 5}, {7, 8}}, 100, 100), (box2i{{1, 2}, {4, 4}}));
    EXPECT_EQ(M::impactOnNextLevel(Quality::cubic, box2i{{4, 6}, {8, 9}}, 100, 100), (box2i{{1, 2}, {5, 5}}));
    // (0 - 1) / 2 truncates to 0; the far side is clipped to half the previous size.
    EXPECT_EQ(M::impactOnNextLevel(Quality::cubic, box2i{{0, 0}, {9, 7}}, 9, 7), (box2i{{0, 0}, {4, 3}}));
    EXPECT_EQ(M::impactOnNextLevel(Quality::box, box2i{{6, 6}, {6, 10}}, 100, 100), (box2i{{3, 3}, {3, 5}}));
    const box2i outside = M::impactOnNextLevel(Quality::box, box2i{{40, 40}, {50, 50}}, 20, 20);
    EXPECT_TRUE(outside.empty());
    EXPECT_TRUE(outside.max.x >= outside.min.x && outside.max.y >= outside.min.y);
}

TEST(MipmapFilters, RoundingExamples)
{
    Mipmap<RGBA> mip;
    mip.size(1, 6, 2);
    RGBA* r0 = mip.level(0).scanline(0);
    RGBA* r1 = mip.level(0).scanline(1);
    const RGBA pixels[2][6] = {{{0, 0, 255, 0}, {0, 1, 255, 2}, {255, 0, 0, 255}, {0, 255, 255, 0}, {9, 9, 9, 0}, {1, 2, 3, 0}},
                               {{1, 1, 255, 1}, {1, 1, 254, 1}, {0, 255, 0, 0}, {9, 9, 9, 0}, {200, 9, 9, 0}, {1, 2, 3, 0}}};
    std::copy(pixels[0], pixels[0] + 6, r0);
    std::copy(pixels[1], pixels[1] + 6, r1);
    mip.generateNextLevel(Quality::box, box2i{{0, 0}, {2, 2}}, 1);
    EXPECT_EQ(mip.level(1).scanline(0)[0], (RGBA{1, 1, 255, 1})); // 0, 0, 1, 1 -> (2 + 2) >> 2
    mip.generateNextLevel(Quality::boxAlphaCov, box2i{{2, 0}, {6, 2}}, 1);
    EXPECT_EQ(mip.level(1).scanline(0)[1], (RGBA{255, 0, 0, 64}));
    EXPECT_EQ(mip.level(1).scanline(0)[2], (RGBA{0, 0, 0, 0}));
    mip.generateNextLevel(Quality::boxAlphaCovIntoPremul, box2i{{2, 0}, {4, 2}}, 1);
    EXPECT_EQ(mip.level(1).scanline(0)[1], (RGBA{64, 0, 0, 64})); // (255 * 255 + 512) >> 10
}

TEST(MipmapFilters, RGBAFiltersMatchTheFormulasOnRandomData)
{
    std::mt19937 rng(1234);
    const RGBA untouched{7, 77, 177, 17};
    for (Quality q : {Quality::box, Quality::cubic, Quality::boxAlphaCov, Quality::boxAlphaCovIntoPremul})
        for (int round = 0; round < 30; ++round) {
            const int w = 2 + int(rng() % 40), h = 2 + int(rng() % 40);
            Mipmap<RGBA> mip;
            mip.size(1, w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    mip.level(0).scanline(y)[x] = {randomChannel(rng), randomChannel(rng), randomChannel(rng), randomChannel(rng)};
            for (int y = 0; y < h / 2; ++y)
                std::fill_n(mip.level(1).scanline(y), w / 2, untouched);
            const int xa = int(rng() % uint32_t(w + 1)), xb = int(rng() % uint32_t(w + 1));
            const int ya = int(rng() % uint32_t(h + 1)), yb = int(rng() % uint32_t(h + 1));
            const box2i updated{{std::min(xa, xb), std::min(ya, yb)}, {std::max(xa, xb), std::max(ya, yb)}};
            const box2i written = mip.generateNextLevel(q, updated, 1);
            ASSERT_EQ(written, Mipmap<RGBA>::impactOnNextLevel(q, updated, w, h));
            for (int y = 0; y < h / 2; ++y)
                for (int x = 0; x < w / 2; ++x)
                    ASSERT_EQ(mip.level(1).scanline(y)[x],
                              written.contains(x, y) ? referenceRGBA(q, mip.level(0).toRef(), x, y) : untouched)
                        << "filter " << int(q) << ", " << w << "x" << h << " at " << x << "," << y;
        }
}

TEST(MipmapFilters, L16FiltersReadOnlyContentOfBorderedLevels)
{
    std::mt19937 rng(99);
    for (int w : {2, 3, 8, 13})
        for (int h : {2, 5, 11}) {
            OwnedImage<L16> src, dst;
            src.size(w, h, 1, 2);
            dst.size(w / 2, h / 2, 1, 2);
            for (int y = -1; y < h + 1; ++y)
                for (int x = -1; x < w + 2; ++x)
                    src.scanline(y)[x].l = uint16_t(rng());
            auto s = [&](int x, int y) { return int(src.scanline(y)[x].l); };
            generateLevelCubicL16(dst.toRef(), src.toRef(), dst.bounds());
            for (int y = 0; y < h / 2; ++y)
                for (int x = 0; x < w / 2; ++x)
                    ASSERT_EQ(dst.scanline(y)[x].l, referenceCubic(s, x, y, w, h));
            generateLevelBoxL16(dst.toRef(), src.toRef(), dst.bounds());
            for (int y = 0; y < h / 2; ++y)
                for (int x = 0; x < w / 2; ++x)
                    ASSERT_EQ(dst.scanline(y)[x].l,
                              (s(2 * x, 2 * y) + s(2 * x + 1, 2 * y) + s(2 * x, 2 * y + 1) + s(2 * x + 1, 2 * y + 1) + 2) >> 2);
        }
}
