#include "core/GrowableArray.hpp"

#include <gtest/gtest.h>

using vf::GrowableArray;

TEST(GrowableArray, KeepsStorageWhenEmptiedAndGrowsToTwiceTheNeed)
{
    GrowableArray<int> a;
    a.pushBack(1);
    EXPECT_GE(a.capacity(), 2);
    a.resize(10);
    EXPECT_GE(a.capacity(), 20);
    const int* storage = a.data();
    const int capacity = a.capacity();
    a.clearContents();
    EXPECT_EQ(a.length(), 0);
    for (int i = 0; i < capacity; ++i)
        a.pushBack(i);
    EXPECT_EQ(a.data(), storage);
}

TEST(GrowableArray, PushBackOfOwnElementSurvivesGrowth)
{
    GrowableArray<int> a;
    a.pushBack(7);
    while (a.length() < a.capacity())
        a.pushBack(0);
    a.pushBack(a[0]);
    EXPECT_EQ(a[a.length() - 1], 7);
}

TEST(GrowableArray, RemoveSwapLastMovesTheLastElementIn)
{
    GrowableArray<int> a;
    for (int i : {10, 20, 30})
        a.pushBack(i);
    a.removeSwapLast(0);
    ASSERT_EQ(a.length(), 2);
    EXPECT_EQ(a[0], 30);
    EXPECT_EQ(a[1], 20);
}
