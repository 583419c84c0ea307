#include "core/ThreadPool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

using namespace vf;

namespace {

int onlineProcessors()
{
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<int>(n) : 1;
}

} // namespace

TEST(ThreadPoolSize, ZeroCountMeansOnlineProcessorsCappedByLimit)
{
    ThreadPool unlimited(0, 0);
    EXPECT_EQ(unlimited.numThreads(), onlineProcessors());
    ThreadPool limited(0, 2);
    EXPECT_EQ(limited.numThreads(), std::min(onlineProcessors(), 2));
}

TEST(ThreadPoolSize, ExplicitCountIsKeptUnlessAboveLimit)
{
    ThreadPool three(3, 0);
    EXPECT_EQ(three.numThreads(), 3);
    ThreadPool capped(16, 2);
    EXPECT_EQ(capped.numThreads(), 2);
    ThreadPool belowLimit(1, 4);
    EXPECT_EQ(belowLimit.numThreads(), 1);
}

TEST(ThreadPoolLoop, ZeroItemsReturnsWithoutCallingTheTask)
{
    ThreadPool pool(2, 0);
    std::atomic<int> calls{0};
    pool.parallelFor(0, [&](int, int) { ++calls; });
    EXPECT_EQ(calls.load(), 0);
    pool.waitForCompletion(); // nothing pending: returns at once
}

TEST(ThreadPoolLoop, OneItemRunsOnTheCallersThreadAsItemZeroThreadZero)
{
    ThreadPool pool(2, 0);
    std::thread::id ranOn;
    int item = -1, threadIndex = -1;
    pool.parallelFor(1, [&](int i, int t) {
        ranOn = std::this_thread::get_id();
        item = i;
        threadIndex = t;
    });
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(item, 0);
    EXPECT_EQ(threadIndex, 0);
}

TEST(ThreadPoolLoop, FiveItemsOnTwoWorkersRunEachItemOnceOffTheCallersThread)
{
    ThreadPool pool(2, 0);
    std::atomic<int> runs[5] = {};
    std::atomic<int> completed{0};
    std::atomic<bool> ranOnCaller{false};
    std::atomic<bool> badThreadIndex{false};
    const auto caller = std::this_thread::get_id();
    pool.parallelFor(5, [&](int i, int t) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (std::this_thread::get_id() == caller)
            ranOnCaller = true;
        if (t < 0 || t >= 2)
            badThreadIndex = true;
        ++runs[i];
        ++completed;
    });
    // parallelFor returns only after every item completed.
    EXPECT_EQ(completed.load(), 5);
    for (auto& r : runs)
        EXPECT_EQ(r.load(), 1);
    EXPECT_FALSE(ranOnCaller.load());
    EXPECT_FALSE(badThreadIndex.load());
}

TEST(ThreadPoolLoop, FewerItemsThanWorkersAllComplete)
{
    ThreadPool pool(4, 0);
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> done{0};
        pool.parallelFor(2, [&](int, int) { ++done; });
        ASSERT_EQ(done.load(), 2) << "round " << round;
    }
}

TEST(ThreadPoolLoop, AsyncLoopIsCompleteAfterWaitForCompletion)
{
    ThreadPool pool(2, 0);
    std::atomic<int> sum{0};
    auto task = [&](int i, int) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sum += i;
    };
    pool.parallelForAsync(10, task);
    pool.waitForCompletion();
    EXPECT_EQ(sum.load(), 45);
    pool.waitForCompletion(); // a second wait has nothing pending
}

TEST(ThreadPoolLoop, ManyLoopsInARowUseBothWorkers)
{
    ThreadPool pool(2, 0);
    std::mutex m;
    std::set<int> threadsSeen;
    long long total = 0;
    for (int loop = 0; loop < 500; ++loop) {
        std::atomic<int> items{0};
        pool.parallelFor(7, [&](int, int t) {
            ++items;
            std::lock_guard<std::mutex> lock(m);
            threadsSeen.insert(t);
        });
        total += items.load();
    }
    EXPECT_EQ(total, 500LL * 7);
    EXPECT_EQ(threadsSeen, (std::set<int>{0, 1}));
}

TEST(ThreadPoolLifetime, DestroyingAnIdlePoolJoinsPromptlyAndTwiceIsHarmless)
{
    auto start = std::chrono::steady_clock::now();
    {
        ThreadPool pool(2, 0);
        pool.parallelFor(3, [](int, int) {});
        pool.destroy();
        EXPECT_EQ(pool.numThreads(), 0);
        pool.destroy();
    } // the destructor runs a third time
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(ThreadPoolLifetime, ADestroyedPoolStillRunsLoopsOnTheCaller)
{
    ThreadPool pool(2, 0);
    pool.destroy();
    std::atomic<int> runs{0};
    pool.parallelFor(4, [&](int, int t) {
        EXPECT_EQ(t, 0);
        ++runs;
    });
    EXPECT_EQ(runs.load(), 4);
}

TEST(ThreadPoolLifetime, CustomStackSizeReachesTheWorkers)
{
    ThreadPool pool(2, 0, 1 << 20);
    std::atomic<int> ok{0};
    pool.parallelFor(2, [&](int, int) {
        char big[256 * 1024];
        big[0] = 1;
        big[sizeof(big) - 1] = 1;
        ok += big[0] + big[sizeof(big) - 1] - 1;
    });
    EXPECT_EQ(ok.load(), 2);
}
