#include "canvas/Canvas.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <vector>

// test_canvas links with --wrap for the malloc family (cmake/canvas.cmake), so
// every allocation of our statically linked code passes through here; the
// canvas allocates only through that family (checkedMalloc, GrowableArray).
extern "C" {
void* __real_malloc(size_t);
void* __real_realloc(void*, size_t);
void* __real_calloc(size_t, size_t);
}

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};

void note()
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

extern "C" {
void* __wrap_malloc(size_t n)
{
    note();
    return __real_malloc(n);
}
void* __wrap_realloc(void* p, size_t n)
{
    note();
    return __real_realloc(p, n);
}
void* __wrap_calloc(size_t n, size_t s)
{
    note();
    return __real_calloc(n, s);
}
}

using namespace vf;

namespace {

int allocationsDuring(auto&& work)
{
    allocations = 0;
    counting = true;
    work();
    counting = false;
    return allocations.load();
}

void fillStar(Canvas& c, ImageRef<RGBA> target, float radius, int points)
{
    c.initialize(target);
    c.fillStyle({200, 10, 10, 180});
    c.beginPath();
    const float cx = static_cast<float>(target.width) / 2, cy = static_cast<float>(target.height) / 2;
    for (int i = 0; i < points; ++i) {
        const float a = 6.2831853f * static_cast<float>(i) / static_cast<float>(points);
        const float r = (i % 2) != 0 ? radius : radius * 0.4f;
        if (i == 0)
            c.moveTo(cx + r * std::cos(a), cy + r * std::sin(a));
        else
            c.lineTo(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    c.fill();
}

} // namespace

TEST(CanvasAllocation, FillsAllocateNothingOnceTheBuffersHaveGrown)
{
    std::vector<RGBA> big(200 * 120), small(30 * 30);
    const ImageRef<RGBA> bigRef{200, 120, 200 * 4, big.data()};
    const ImageRef<RGBA> smallRef{30, 30, 30 * 4, small.data()};
    Canvas c;
    // The first use grows the buffers (and shows the counting sees them).
    EXPECT_GT(allocationsDuring([&] { fillStar(c, bigRef, 70, 400); }), 0);
    EXPECT_EQ(allocationsDuring([&] {
                  for (int frame = 0; frame < 3; ++frame) {
                      fillStar(c, bigRef, 80, 400);
                      fillStar(c, smallRef, 14, 100); // a smaller clip keeps the larger buffers
                      fillStar(c, bigRef, 500, 398);  // mostly outside: clipped parts too
                      c.save();
                      c.restore();
                  }
              }),
              0);
}
