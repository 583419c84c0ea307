// Proves what the audio thread must not do: this binary replaces the global
// allocation functions and wraps pthread_mutex_lock (linked with
// -Wl,--wrap=pthread_mutex_lock), and counts both while run() executes.
#include "../LV2TestHost.hpp"

#include "lv2/LV2Client.hpp"
#include "lv2/LV2Entry.hpp"

#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <set>

namespace {

std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
std::atomic<int> frees{0};
std::atomic<int> locks{0};
// Distinct mutexes locked while counting (fixed storage: recording must not allocate).
constexpr int maxRecorded = 64;
std::atomic<void*> lockedMutexes[maxRecorded];
std::atomic<int> recorded{0};

void* allocate(std::size_t size, std::size_t alignment = 0)
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1);
    if (size == 0)
        size = 1;
    void* p = alignment > alignof(std::max_align_t) ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                                                   : std::malloc(size);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void release(void* p)
{
    if (p != nullptr && counting.load(std::memory_order_relaxed))
        frees.fetch_add(1);
    std::free(p);
}

void resetCounters()
{
    allocations = 0;
    frees = 0;
    locks = 0;
    recorded = 0;
}

} // namespace

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void* operator new(std::size_t n, std::align_val_t a) { return allocate(n, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return allocate(n, static_cast<std::size_t>(a)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    try {
        return allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept
{
    try {
        return allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { release(p); }

extern "C" int __real_pthread_mutex_lock(pthread_mutex_t* m);
extern "C" int __wrap_pthread_mutex_lock(pthread_mutex_t* m)
{
    if (counting.load(std::memory_order_relaxed)) {
        locks.fetch_add(1);
        bool seen = false;
        int n = recorded.load();
        for (int i = 0; i < n && i < maxRecorded; ++i)
            seen = seen || lockedMutexes[i].load() == m;
        if (!seen && n < maxRecorded) {
            lockedMutexes[n].store(m);
            recorded.store(n + 1);
        }
    }
    return __real_pthread_mutex_lock(m);
}

using namespace vf;
using namespace vf::test;

namespace {

struct Stereo {
    TestHostFeatures host{true, 1024};
    const LV2_Descriptor* desc = lv2_descriptor(1);
    LV2_Handle h = nullptr;
    float controls[6] = {0.5f, 0.0f, 0.3f, 0.6f, 1.0f, 0.7f};
    std::vector<float> audio[4];
    float latency = 0.0f;
    AtomSequenceBuilder events{host};

    Stereo()
    {
        h = desc->instantiate(desc, 48000.0, "/tmp", host.features());
        for (uint32_t k = 0; k < 6; ++k)
            desc->connect_port(h, k, &controls[k]);
        for (uint32_t i = 0; i < 4; ++i) {
            audio[i].assign(1024, 0.1f);
            desc->connect_port(h, 6 + i, audio[i].data());
        }
        desc->connect_port(h, 10, &latency);
        using B = AtomSequenceBuilder;
        events.position({B::d(LV2_TIME__beatsPerMinute, 128.0), B::l(LV2_TIME__frame, 4800), B::f(LV2_TIME__speed, 1.0f)});
        desc->connect_port(h, 11, events.data());
        desc->activate(h);
        desc->run(h, 1024); // the first run may allocate (engine reset)
    }
    ~Stereo() { desc->cleanup(h); }
};

} // namespace

TEST(RealtimeRun, UnchangedControlsNeitherAllocateNorLock)
{
    Stereo s;
    resetCounters();
    counting = true;
    for (int i = 0; i < 2000; ++i)
        s.desc->run(s.h, static_cast<uint32_t>(1 + (i * 37) % 1024));
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(frees.load(), 0);
    EXPECT_EQ(locks.load(), 0);
}

TEST(RealtimeRun, ChangingControlsTakeOnlyTheParameterLock)
{
    Stereo s;
    resetCounters();
    counting = true;
    for (int i = 0; i < 500; ++i) {
        s.controls[2] = (i % 2) ? 0.25f : 0.75f;
        s.desc->run(s.h, 256);
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(frees.load(), 0);
    EXPECT_GT(locks.load(), 0);
    // One parameter changed, so exactly one mutex -- its value lock -- was taken:
    // once to store the value and once to walk its listeners.
    EXPECT_EQ(recorded.load(), 1);
    EXPECT_EQ(locks.load(), 2 * 500);
}

TEST(RealtimeRun, CountersSeeAllocationsAndLocks)
{
    // Guards the instrument itself: a run that must grow its buffers is seen.
    Stereo s;
    resetCounters();
    counting = true;
    std::vector<float> big(8192);
    for (uint32_t i = 0; i < 4; ++i)
        s.desc->connect_port(s.h, 6 + i, nullptr);
    s.desc->run(s.h, 8192);
    counting = false;
    EXPECT_GT(allocations.load(), 0);
    LV2Client& lv = *static_cast<LV2Client*>(s.h);
    resetCounters();
    counting = true;
    lv.client().param(0).setFromHost(0.1);
    counting = false;
    EXPECT_EQ(locks.load(), 2);
}
