#include "gui/DirtyRectList.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace vf {
namespace {

std::vector<box2i> pull(DirtyRectList& list)
{
    GrowableArray<box2i> out;
    list.pullAllRectangles(out);
    return {out.begin(), out.end()};
}

bool sameSet(std::vector<box2i> a, std::vector<box2i> b)
{
    auto less = [](const box2i& p, const box2i& q) {
        return std::tie(p.min.x, p.min.y, p.max.x, p.max.y) < std::tie(q.min.x, q.min.y, q.max.x, q.max.y);
    };
    std::sort(a.begin(), a.end(), less);
    std::sort(b.begin(), b.end(), less);
    return a == b;
}

TEST(DirtyRectList, NewRectStaysWholeOldOnesAreTrimmed)
{
    DirtyRectList list;
    list.addRect({{0, 0}, {10, 10}});
    list.addRect({{5, 5}, {15, 15}});
    EXPECT_TRUE(sameSet(pull(list), {{{5, 5}, {15, 15}}, {{0, 0}, {10, 5}}, {{0, 5}, {5, 10}}}));
}

TEST(DirtyRectList, ContainedRectAddsNothingCoveringRectReplaces)
{
    DirtyRectList list;
    list.addRect({{0, 0}, {10, 10}});
    list.addRect({{2, 2}, {4, 4}});
    EXPECT_TRUE(sameSet(pull(list), {{{0, 0}, {10, 10}}}));
    list.addRect({{0, 0}, {4, 4}});
    list.addRect({{6, 6}, {9, 9}});
    list.addRect({{0, 0}, {10, 10}});
    EXPECT_TRUE(sameSet(pull(list), {{{0, 0}, {10, 10}}}));
}

TEST(DirtyRectList, EmptyRectsAreIgnoredAndPullEmptiesTheList)
{
    DirtyRectList list;
    list.addRect({{3, 3}, {3, 10}});
    list.addRect({{5, 5}, {2, 2}});
    EXPECT_TRUE(list.isEmpty());
    list.addRect({{0, 0}, {1, 1}});
    GrowableArray<box2i> out;
    out.pushBack({{7, 7}, {8, 8}});
    list.pullAllRectangles(out);
    EXPECT_EQ(out.length(), 2); // appended
    EXPECT_TRUE(list.isEmpty());
}

TEST(DirtyRectList, StaysDisjointAndCoversEveryAddedPixel)
{
    DirtyRectList list;
    std::vector<box2i> added;
    unsigned seed = 12345;
    auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<unsigned>(n));
    };
    for (int i = 0; i < 200; ++i) {
        const int x = next(60), y = next(60);
        const box2i r{{x, y}, {x + 1 + next(20), y + 1 + next(20)}};
        added.push_back(r);
        list.addRect(r);
    }
    const std::vector<box2i> rects = pull(list);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x) {
            const int inAdded = static_cast<int>(
                std::count_if(added.begin(), added.end(), [&](const box2i& r) { return r.contains(x, y); }));
            const int inList = static_cast<int>(
                std::count_if(rects.begin(), rects.end(), [&](const box2i& r) { return r.contains(x, y); }));
            ASSERT_EQ(inList, inAdded > 0 ? 1 : 0) << x << "," << y;
        }
}

TEST(DirtyRectListThreads, ConcurrentAddsAndPullsLoseNothing)
{
    DirtyRectList list;
    // Each thread adds its own disjoint column of 1x1 cells.
    auto writer = [&](int column) {
        for (int y = 0; y < 500; ++y)
            list.addRect(box2i::rectangle(column, y, 1, 1));
    };
    std::thread a(writer, 0), b(writer, 1);
    GrowableArray<box2i> out;
    for (int i = 0; i < 50; ++i)
        list.pullAllRectangles(out);
    a.join();
    b.join();
    list.pullAllRectangles(out);
    EXPECT_EQ(out.length(), 1000);
}

} // namespace
} // namespace vf
