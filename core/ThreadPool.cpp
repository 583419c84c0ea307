#include "core/ThreadPool.hpp"

#include "core/OutOfMemory.hpp"

#include <cstdlib>
#include <new>
#include <unistd.h>

namespace vf {

ThreadPool::ThreadPool(int threadCount, int threadLimit, std::size_t stackBytes)
{
    int count = threadCount;
    if (count <= 0) {
        const long online = sysconf(_SC_NPROCESSORS_ONLN);
        count = online > 0 ? static_cast<int>(online) : 1;
    }
    if (threadLimit > 0 && count > threadLimit)
        count = threadLimit;

    threads_ = static_cast<ThreadHandle*>(checkedMalloc(sizeof(ThreadHandle) * static_cast<std::size_t>(count)));
    auto worker = [](void* context, uintptr_t index) {
        static_cast<ThreadPool*>(context)->workerThreadFunc(static_cast<int>(index));
    };
    for (int i = 0; i < count; ++i)
        new (&threads_[i]) ThreadHandle(+worker, this, static_cast<uintptr_t>(i), stackBytes);
    threadCount_ = count;
    // Start only once every handle exists, so that no worker sees a half-built array.
    for (int i = 0; i < count; ++i)
        threads_[i].start();
}

ThreadPool::~ThreadPool()
{
    destroy();
}

void ThreadPool::destroy()
{
    if (threads_ == nullptr)
        return;
    {
        MutexLock lock(workMutex_);
        terminate_ = true;
    }
    workCondition_.notifyAll();
    for (int i = 0; i < threadCount_; ++i)
        threads_[i].join();
    for (int i = 0; i < threadCount_; ++i)
        threads_[i].~ThreadHandle();
    std::free(threads_);
    threads_ = nullptr;
    threadCount_ = 0;
}

void ThreadPool::workerThreadFunc(int threadIndex)
{
    for (;;) {
        int item;
        ParallelTask task;
        {
            MutexLock lock(workMutex_);
            for (;;) {
                if (nextItem_ < itemCount_) {
                    item = nextItem_++;
                    task = task_;
                    break;
                }
                if (terminate_)
                    return;
                workCondition_.wait(workMutex_);
            }
        }
        task(item, threadIndex);
        {
            MutexLock lock(finishMutex_);
            ++completed_;
        }
        finishCondition_.notifyOne();
    }
}

void ThreadPool::parallelForAsync(int count, ParallelTask task)
{
    if (count <= 0)
        return;
    // A pool that has been destroyed has no workers: run the loop here rather than hang.
    if (threadCount_ == 0) {
        for (int i = 0; i < count; ++i)
            task(i, 0);
        return;
    }
    {
        // Reset before any item is handed out; the previous loop has fully completed.
        MutexLock finishLock(finishMutex_);
        completed_ = 0;
    }
    {
        MutexLock lock(workMutex_);
        task_ = task;
        itemCount_ = count;
        nextItem_ = 0;
    }
    if (threadCount_ > count) {
        for (int i = 0; i < count; ++i)
            workCondition_.notifyOne();
    } else {
        workCondition_.notifyAll();
    }
    pending_ = 1;
}

void ThreadPool::waitForCompletion()
{
    if (pending_ == 0)
        return;
    MutexLock lock(finishMutex_);
    // itemCount is only written by this (the driving) thread, so reading it here
    // needs no work lock, and the two pool locks are never nested.
    while (completed_ < itemCount_)
        finishCondition_.wait(finishMutex_);
    pending_ = 0;
}

void ThreadPool::parallelFor(int count, ParallelTask task)
{
    if (count == 1) {
        task(0, 0);
        return;
    }
    parallelForAsync(count, task);
    waitForCompletion();
}

} // namespace vf
