#include "window/PointerTracker.hpp"

#include <gtest/gtest.h>

using namespace vf;

TEST(PointerTrackerDoubleClick, WithinHalfASecondIsADoubleClick)
{
    PointerTracker p(10'000'000);
    EXPECT_FALSE(p.press(5, 5, 11'000'000));
    EXPECT_TRUE(p.press(5, 5, 11'400'000));
    EXPECT_TRUE(p.press(5, 5, 11'900'000)); // exactly 500 ms still counts
}

TEST(PointerTrackerDoubleClick, AfterMoreThanHalfASecondItIsNot)
{
    PointerTracker p(0);
    EXPECT_FALSE(p.press(0, 0, 2'000'000));
    EXPECT_FALSE(p.press(0, 0, 2'600'000));
    EXPECT_FALSE(p.press(0, 0, 3'100'001));
}

TEST(PointerTrackerDoubleClick, AWheelStepInBetweenCountsAsAPress)
{
    PointerTracker p(0);
    p.press(0, 0, 1'000'000);              // click
    EXPECT_TRUE(p.press(0, 0, 1'400'000)); // wheel step, reported as a wheel
    // 0.6 s after the first click, but 0.2 s after the wheel step.
    EXPECT_TRUE(p.press(0, 0, 1'600'000));
}

TEST(PointerTrackerDoubleClick, AClockGoingBackwardsDoesNotWrapAround)
{
    PointerTracker p(5'000'000);
    EXPECT_TRUE(p.press(0, 0, 4'000'000));
}

TEST(PointerTrackerMotion, FirstMoveAfterEnterHasNoDelta)
{
    PointerTracker p;
    p.press(10, 10, 1'000'000);
    p.enter();
    const auto first = p.move(200, 150);
    EXPECT_EQ(first.dx, 0);
    EXPECT_EQ(first.dy, 0);
    const auto second = p.move(203, 148);
    EXPECT_EQ(second.dx, 3);
    EXPECT_EQ(second.dy, -2);
}

TEST(PointerTrackerMotion, DeltasAreFromTheLastPressReleaseOrMove)
{
    PointerTracker p;
    p.press(10, 20, 1'000'000);
    auto d = p.move(15, 20);
    EXPECT_EQ(d.dx, 5);
    EXPECT_EQ(d.dy, 0);
    p.release(30, 40);
    d = p.move(31, 42);
    EXPECT_EQ(d.dx, 1);
    EXPECT_EQ(d.dy, 2);
}
