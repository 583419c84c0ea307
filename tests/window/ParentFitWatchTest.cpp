#include "window/ParentFitWatch.hpp"

#include <gtest/gtest.h>

namespace vf {
namespace {

constexpr uint64_t ms = 1000;

TEST(ParentFitWatch, ClippedEditorFitsOnlyAfterOneSecondOfTheSameMismatch)
{
    ParentFitWatch w;
    EXPECT_FALSE(w.update(456, 813, 365, 650, 0));
    EXPECT_FALSE(w.update(456, 813, 365, 650, 999 * ms));
    EXPECT_TRUE(w.update(456, 813, 365, 650, 1000 * ms));
    EXPECT_FALSE(w.update(456, 813, 365, 650, 1001 * ms)); // not again at once
    // A host still following (the parent grew a step) restarts the wait.
    EXPECT_FALSE(w.update(548, 975, 456, 813, 1500 * ms));
    EXPECT_FALSE(w.update(548, 975, 456, 813, 2400 * ms));
    EXPECT_TRUE(w.update(548, 975, 456, 813, 2500 * ms));
}

TEST(ParentFitWatch, FittingOrUnknownParentNeverFits)
{
    ParentFitWatch w;
    for (uint64_t t = 0; t <= 3000 * ms; t += 500 * ms) {
        EXPECT_FALSE(w.update(365, 650, 400, 700, t)); // larger parent: nothing to fix
        EXPECT_FALSE(w.update(365, 650, 0, 0, t + 1)); // parent gone or not known
    }
}

TEST(ParentFitWatch, EditorFillsAParentThatDidNotShrinkUnlessItIsBeyondTheLargestSize)
{
    ParentFitWatch w;
    EXPECT_FALSE(w.update(237, 422, 365, 650, 0, 548, 975));
    EXPECT_TRUE(w.update(237, 422, 365, 650, 1000 * ms, 548, 975));
    EXPECT_FALSE(w.update(365, 650, 365, 650, 1100 * ms, 548, 975)); // filled
    for (uint64_t t = 2000 * ms; t <= 5000 * ms; t += 500 * ms)
        EXPECT_FALSE(w.update(365, 650, 700, 1100, t, 548, 975));
}

} // namespace
} // namespace vf
