// A steady frame (dirty request, dirty-area poll, draw) allocates nothing once
// the lists have grown: the C allocator is wrapped with counters for the test.
// Sanitizers bring their own allocator, so the check is left to plain builds.
#include "GuiTestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>

// GCC names its sanitizers with macros, clang through __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VF_SANITIZED 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !defined(VF_SANITIZED)
#define VF_COUNT_ALLOCATIONS 1

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
inline void count()
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);

void* malloc(size_t n)
{
    count();
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t s)
{
    count();
    return __libc_calloc(n, s);
}
void* realloc(void* p, size_t n)
{
    count();
    return __libc_realloc(p, n);
}
void* aligned_alloc(size_t alignment, size_t n)
{
    count();
    return __libc_memalign(alignment, n);
}
}
#endif

namespace vf {
namespace {

using test::addProbe;
using test::Probe;
using test::TestRoot;

TEST(GUIPipelineThreads, SteadyFramesDoNotAllocate)
{
#ifndef VF_COUNT_ALLOCATIONS
    GTEST_SKIP() << "allocator counting is off under sanitizers";
#else
    TestRoot root;
    UIContext* ctx = root.uiContext();
    Probe* a = addProbe(&root, new Probe(ctx, "a", rawLayerFlag, {1, 1, 1, 255}), box2i::rectangle(10, 10, 80, 80));
    Probe* b = addProbe(&root, new Probe(ctx, "b", rawLayerFlag, {2, 2, 2, 255}), box2i::rectangle(200, 10, 80, 80));
    Probe* lit = addProbe(&root, new Probe(ctx, "lit", litLayerFlag, {}), box2i::rectangle(100, 300, 80, 80));
    IWindowListener* l = root.windowListener();
    l->onResized(365, 650);
    auto frame = [&] {
        a->setDirtyWhole();
        b->setDirty(box2i::rectangle(5, 5, 10, 10));
        lit->setDirtyWhole();
        l->onMouseMove(20, 20, 1, 1, {});
        l->onAnimate(0.016, 1.0);
        l->recomputeDirtyAreas();
        (void)l->getDirtyRectangle();
        l->onDraw(WindowPixelFormat::BGRA8);
    };
    for (int i = 0; i < 5; ++i)
        frame();
    // The test's own probes record into std containers: let them reach their size.
    for (Probe* p : {a, b, lit}) {
        p->lastRects.reserve(16);
        p->log.reserve(p->log.size() + 100);
    }
    // The counter itself sees an allocation.
    counting = true;
    void* volatile probe = std::malloc(16);
    counting = false;
    std::free(probe);
    ASSERT_EQ(allocations.exchange(0), 1);

    counting = true;
    for (int i = 0; i < 10; ++i)
        frame();
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
#endif
}

} // namespace
} // namespace vf
