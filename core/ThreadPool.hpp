#pragma once
#include "core/ConditionVariable.hpp"
#include "core/ThreadHandle.hpp"
#include "core/UncheckedMutex.hpp"

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace vf {

// Non-owning reference to a callable taking (item, threadIndex).  The referenced
// callable must outlive every call made through the reference; nothing is copied
// or allocated, so a loop costs no heap traffic.
class ParallelTask {
public:
    ParallelTask() = default;

    template <typename F,
              typename = std::enable_if_t<!std::is_same_v<std::remove_cvref_t<F>, ParallelTask>>>
    ParallelTask(F&& f) noexcept // NOLINT: implicit on purpose, like a function reference
        : context_(const_cast<void*>(static_cast<const void*>(&f)))
        , function_([](void* c, int item, int threadIndex) {
            (*static_cast<std::remove_reference_t<F>*>(c))(item, threadIndex);
        })
    {
    }

    void operator()(int item, int threadIndex) const { function_(context_, item, threadIndex); }
    explicit operator bool() const { return function_ != nullptr; }

private:
    void* context_ = nullptr;
    void (*function_)(void*, int, int) = nullptr;
};

// A fixed set of worker threads running the items of one parallel loop at a time.
// Driven from one thread only (the window's event thread); not a shared service.
class ThreadPool {
public:
    // threadCount 0 = number of online processors; threadLimit 0 = no limit.
    explicit ThreadPool(int threadCount = 0, int threadLimit = 0, std::size_t stackBytes = 0);
    virtual ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // Runs task(i, threadIndex) for every i in [0, count) and returns when all are done.
    // A one-item loop runs on the calling thread as task(0, 0).
    void parallelFor(int count, ParallelTask task);

    // Starts a loop and returns at once; the task's callable must stay alive until
    // waitForCompletion returns.  One loop at a time.
    virtual void parallelForAsync(int count, ParallelTask task);
    virtual void waitForCompletion();

    int numThreads() const { return threadCount_; }

    // Stops and joins the workers; safe to call more than once (the destructor calls it).
    void destroy();

private:
    void workerThreadFunc(int threadIndex);

    ThreadHandle* threads_ = nullptr;
    int threadCount_ = 0;
    UncheckedMutex workMutex_;
    ConditionVariable workCondition_;
    UncheckedMutex finishMutex_;
    ConditionVariable finishCondition_;
    ParallelTask task_;
    int32_t itemCount_ = 0;
    int32_t nextItem_ = 0;
    int32_t completed_ = 0;
    bool terminate_ = false;
    int32_t pending_ = 0;
};

} // namespace vf
