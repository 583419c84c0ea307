#include "gui/AreaLists.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace vf {
namespace {

int coverCount(const GrowableArray<box2i>& list, int x, int y)
{
    int n = 0;
    for (const box2i& r : list)
        n += r.contains(x, y) ? 1 : 0;
    return n;
}

TEST(RemoveOverlappingAreas, ResultIsDisjointAndCoversTheSameArea)
{
    unsigned seed = 777;
    auto next = [&](int n) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(n));
    };
    for (int round = 0; round < 20; ++round) {
        GrowableArray<box2i> input, original, out;
        for (int i = 0; i < 30; ++i) {
            const int x = next(50), y = next(50);
            const box2i r{{x, y}, {x + next(25), y + next(25)}}; // some are empty
            input.pushBack(r);
            original.pushBack(r);
        }
        removeOverlappingAreas(input, out);
        for (const box2i& r : out)
            ASSERT_FALSE(r.empty());
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 80; ++x)
                ASSERT_EQ(coverCount(out, x, y), coverCount(original, x, y) > 0 ? 1 : 0);
    }
}

TEST(RemoveOverlappingAreas, NestedAndIdenticalRectanglesCollapse)
{
    GrowableArray<box2i> input, out;
    input.pushBack({{0, 0}, {10, 10}});
    input.pushBack({{2, 2}, {5, 5}});
    input.pushBack({{0, 0}, {10, 10}});
    removeOverlappingAreas(input, out);
    ASSERT_EQ(out.length(), 1);
    EXPECT_EQ(out[0], (box2i{{0, 0}, {10, 10}}));
}

TEST(TileAreas, CutsRowByRowWithNarrowerLastColumnAndRow)
{
    GrowableArray<box2i> areas, tiles;
    areas.pushBack({{10, 20}, {150, 100}});
    tileAreas(areas, 64, 64, tiles);
    ASSERT_EQ(tiles.length(), 6);
    EXPECT_EQ(tiles[0], (box2i{{10, 20}, {74, 84}}));
    EXPECT_EQ(tiles[1], (box2i{{74, 20}, {138, 84}}));
    EXPECT_EQ(tiles[2], (box2i{{138, 20}, {150, 84}}));
    EXPECT_EQ(tiles[3], (box2i{{10, 84}, {74, 100}}));
    EXPECT_EQ(tiles[5], (box2i{{138, 84}, {150, 100}}));
}

TEST(TileAreas, UsesHeightAndWidthInTheirOwnPlaces)
{
    GrowableArray<box2i> areas, tiles;
    areas.pushBack({{0, 0}, {10, 10}});
    tileAreas(areas, 5, 10, tiles); // tileHeight 5, tileWidth 10
    ASSERT_EQ(tiles.length(), 2);
    EXPECT_EQ(tiles[0], (box2i{{0, 0}, {10, 5}}));
}

} // namespace
} // namespace vf
