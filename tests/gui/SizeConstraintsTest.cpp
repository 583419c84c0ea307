#include "gui/SizeConstraints.hpp"

#include <gtest/gtest.h>

#include <array>

namespace vf {
namespace {

SizeConstraints editorConstraints()
{
    static const float ratios[] = {0.65f, 0.75f, 0.85f, 1.0f, 1.25f, 1.5f};
    return SizeConstraints::discrete(365, 650, ratios, 6);
}

TEST(SizeConstraints, DiscreteMaxSmallerPicksTheLargestThatFits)
{
    const SizeConstraints c = editorConstraints();
    int w = 500, h = 800;
    c.getMaxSmallerValidSize(&w, &h);
    EXPECT_EQ(w, 365);
    EXPECT_EQ(h, 650);
    w = 300, h = 500;
    c.getMaxSmallerValidSize(&w, &h);
    EXPECT_EQ(w, 274);
    EXPECT_EQ(h, 488);
}

TEST(SizeConstraints, ValidSizeRangeSpansTheSmallestToTheLargest)
{
    int minW = 0, minH = 0, maxW = 0, maxH = 0;
    editorConstraints().getValidSizeRange(&minW, &minH, &maxW, &maxH);
    EXPECT_EQ((std::array{minW, minH, maxW, maxH}), (std::array{237, 422, 548, 975}));
    const float x[] = {2.f, 0.5f}, y[] = {1.f, 3.f};
    SizeConstraints::discretePerAxis(100, 10, x, 2, y, 2).getValidSizeRange(&minW, &minH, &maxW, &maxH);
    EXPECT_EQ((std::array{minW, minH, maxW, maxH}), (std::array{50, 10, 200, 30}));
    SizeConstraints::bounds(100, 100, 50, 60, 300, 400).getValidSizeRange(&minW, &minH, &maxW, &maxH);
    EXPECT_EQ((std::array{minW, minH, maxW, maxH}), (std::array{50, 60, 300, 400}));
}

TEST(SizeConstraints, DiscreteMaxSmallerTakesTheFirstWhenNoneFits)
{
    const SizeConstraints c = editorConstraints();
    int w = 10, h = 10;
    c.getMaxSmallerValidSize(&w, &h);
    EXPECT_EQ(w, 237);
    EXPECT_EQ(h, 422);
}

TEST(SizeConstraints, DiscreteValidSizesAreTheirOwnAnswer)
{
    const SizeConstraints c = editorConstraints();
    const int sizes[6][2] = {{237, 422}, {274, 488}, {310, 553}, {365, 650}, {456, 813}, {548, 975}};
    for (const auto& s : sizes) {
        int w = s[0], h = s[1];
        c.getMaxSmallerValidSize(&w, &h);
        EXPECT_EQ(w, s[0]);
        EXPECT_EQ(h, s[1]);
        w = s[0], h = s[1];
        c.getNearestValidSize(&w, &h);
        EXPECT_EQ(w, s[0]);
        EXPECT_EQ(h, s[1]);
    }
}

TEST(SizeConstraints, DiscreteNearestUsesTheMeanRatio)
{
    const SizeConstraints c = editorConstraints();
    int w = 420, h = 760; // ratios 1.15 and 1.17: nearest 1.25
    c.getNearestValidSize(&w, &h);
    EXPECT_EQ(w, 456);
    EXPECT_EQ(h, 813);
    w = 2000, h = 2000;
    c.getNearestValidSize(&w, &h);
    EXPECT_EQ(w, 548);
    EXPECT_EQ(h, 975);
}

TEST(SizeConstraints, ContinuousClampsTheScale)
{
    const SizeConstraints c = SizeConstraints::continuous(100, 200, 0.5f, 2.0f);
    int w = 1000, h = 1000;
    c.getNearestValidSize(&w, &h);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 400);
    w = 150, h = 1000;
    c.getMaxSmallerValidSize(&w, &h);
    EXPECT_EQ(w, 150);
    EXPECT_EQ(h, 300);
}

TEST(SizeConstraints, BoundsClampEachAxis)
{
    const SizeConstraints c = SizeConstraints::bounds(100, 100, 50, 60, 300, 200);
    int w = 10, h = 1000;
    c.getNearestValidSize(&w, &h);
    EXPECT_EQ(w, 50);
    EXPECT_EQ(h, 200);
}

TEST(SizeConstraints, PerAxisRatios)
{
    const float xs[] = {1.0f, 2.0f};
    const float ys[] = {0.5f, 1.0f, 1.5f};
    const SizeConstraints c = SizeConstraints::discretePerAxis(100, 100, xs, 2, ys, 3);
    int w = 190, h = 140;
    c.getNearestValidSize(&w, &h);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 150);
    w = 190, h = 140;
    c.getMaxSmallerValidSize(&w, &h);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 100);
    w = 20, h = 20; // nothing small enough: the nearest ratios
    c.getMaxSmallerValidSize(&w, &h);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 50);
}

TEST(SizeConstraints, Resizability)
{
    EXPECT_TRUE(editorConstraints().isResizable());
    const float one[] = {1.0f};
    EXPECT_FALSE(SizeConstraints::discrete(100, 100, one, 1).isResizable());
    EXPECT_TRUE(SizeConstraints::continuous(100, 100, 1, 2).isResizable());
    const float two[] = {1.0f, 2.0f};
    EXPECT_FALSE(SizeConstraints::discretePerAxis(100, 100, two, 2, one, 1).isResizable());
    EXPECT_TRUE(SizeConstraints::discretePerAxis(100, 100, two, 2, two, 2).isResizable());
}

} // namespace
} // namespace vf
