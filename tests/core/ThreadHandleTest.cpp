#include "core/ConditionVariable.hpp"
#include "core/ThreadHandle.hpp"
#include "core/UncheckedMutex.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <pthread.h>
#include <thread>
#include <utility>

using namespace vf;

namespace {

struct Probe {
    std::atomic<int> calls{0};
    std::atomic<uintptr_t> userData{0};
    std::atomic<size_t> stackSize{0};
};

size_t currentStackSize()
{
    pthread_attr_t attr;
    size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        pthread_attr_getstacksize(&attr, &size);
        pthread_attr_destroy(&attr);
    }
    return size;
}

} // namespace

TEST(ThreadHandle, PlainCallbackRunsOnAnotherThread)
{
    Probe probe;
    ThreadHandle t([](void* c) { ++static_cast<Probe*>(c)->calls; }, &probe);
    t.start();
    t.join();
    EXPECT_EQ(probe.calls.load(), 1);
}

TEST(ThreadHandle, UserDataCallbackReceivesItsWord)
{
    Probe probe;
    ThreadHandle t(
        [](void* c, uintptr_t data) {
            auto* p = static_cast<Probe*>(c);
            p->userData = data;
            ++p->calls;
        },
        &probe, 42);
    t.start();
    t.join();
    EXPECT_EQ(probe.calls.load(), 1);
    EXPECT_EQ(probe.userData.load(), 42u);
}

TEST(ThreadHandle, RequestedStackSizeIsUsed)
{
    Probe probe;
    const size_t requested = 3 << 20;
    ThreadHandle t([](void* c) { static_cast<Probe*>(c)->stackSize = currentStackSize(); }, &probe, requested);
    t.start();
    t.join();
    EXPECT_GE(probe.stackSize.load(), requested);
}

TEST(ThreadHandle, JoinWithoutStartAndJoinTwiceAreHarmless)
{
    Probe probe;
    ThreadHandle never([](void* c) { ++static_cast<Probe*>(c)->calls; }, &probe);
    never.join();
    ThreadHandle t([](void* c) { ++static_cast<Probe*>(c)->calls; }, &probe);
    t.start();
    t.join();
    t.join();
    EXPECT_EQ(probe.calls.load(), 1);
}

TEST(ThreadHandle, MovedHandleJoinsTheRunningThread)
{
    Probe probe;
    ThreadHandle a([](void* c) { ++static_cast<Probe*>(c)->calls; }, &probe);
    a.start();
    ThreadHandle b(std::move(a));
    EXPECT_FALSE(a.running());
    b.join();
    EXPECT_EQ(probe.calls.load(), 1);
}

TEST(ThreadConditionVariable, TimedWaitTimesOutWithoutNotification)
{
    UncheckedMutex m;
    ConditionVariable cv;
    MutexLock lock(m);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(cv.waitFor(m, 20000));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(19));
}

TEST(ThreadConditionVariable, NotificationWakesAWaiter)
{
    UncheckedMutex m;
    ConditionVariable cv;
    bool ready = false;
    std::thread notifier([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        MutexLock lock(m);
        ready = true;
        cv.notifyAll();
    });
    {
        MutexLock lock(m);
        while (!ready)
            cv.wait(m);
    }
    notifier.join();
    EXPECT_TRUE(ready);
}
