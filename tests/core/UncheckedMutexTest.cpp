#include "core/AlignedOsObject.hpp"
#include "core/ScopedFloatState.hpp"
#include "core/UncheckedMutex.hpp"

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>
#include <xmmintrin.h>

TEST(UncheckedMutex, IsRecursiveAndTryLockDoesNotWaitOnAnotherThread)
{
    vf::UncheckedMutex m;
    m.lock();
    m.lock();
    bool otherGotIt = true;
    std::thread t([&] { otherGotIt = m.tryLock(); });
    t.join();
    EXPECT_FALSE(otherGotIt);
    m.unlock();
    m.unlock();
    std::thread t2([&] {
        otherGotIt = m.tryLock();
        if (otherGotIt)
            m.unlock();
    });
    t2.join();
    EXPECT_TRUE(otherGotIt);
}

TEST(UncheckedMutex, LazyCreationRaceCountsEveryIncrement)
{
    vf::UncheckedMutex m;
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                vf::MutexLock lock(m);
                ++counter;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter, 40000);
}

TEST(AlignedOsObject, ObjectsSitOnACacheLineWithTheirSizeBeforeThem)
{
    for (size_t size : {40u, 48u}) {
        void* p = vf::allocateAlignedOsObject(size);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 64, 0u);
        size_t stored;
        std::memcpy(&stored, static_cast<char*>(p) - 16, sizeof stored);
        EXPECT_EQ(stored, size);
        vf::freeAlignedOsObject(p);
    }
}

TEST(ScopedFloatState, FlushesDenormalsInsideAndRestoresTheHostStateAfter)
{
    const unsigned before = _mm_getcsr();
    volatile float tiny = FLT_MIN;
    {
        vf::ScopedFloatState state;
        EXPECT_EQ(_mm_getcsr() & 0xFFC0u, 0x9FC0u);
        volatile float half = tiny * 0.5f;
        EXPECT_EQ(half, 0.0f);
    }
    EXPECT_EQ(_mm_getcsr(), before);
    volatile float half = tiny * 0.5f;
    EXPECT_GT(half, 0.0f);
}
