#include "core/ThreadHandle.hpp"

#include "core/OutOfMemory.hpp"

#include <cstdlib>
#include <new>
#include <pthread.h>

namespace vf {

struct ThreadHandle::Callback {
    void* plainContext;
    PlainFunction plainFunction;
    void* userContext;
    UserDataFunction userFunction;
    uintptr_t userData;
};

namespace {

void* posixThreadEntryPoint(void* arg)
{
    auto* cb = static_cast<ThreadHandle::Callback*>(arg);
    if (cb->plainContext != nullptr || cb->plainFunction != nullptr) {
        if (cb->plainFunction != nullptr)
            cb->plainFunction(cb->plainContext);
    } else if (cb->userFunction != nullptr) {
        cb->userFunction(cb->userContext, cb->userData);
    }
    return nullptr;
}

ThreadHandle::Callback* newCallback()
{
    void* block = checkedMalloc(sizeof(ThreadHandle::Callback));
    return new (block) ThreadHandle::Callback{};
}

} // namespace

ThreadHandle::ThreadHandle(PlainFunction function, void* context, std::size_t stackBytes)
    : callback_(newCallback()), stackBytes_(stackBytes)
{
    callback_->plainContext = context;
    callback_->plainFunction = function;
}

ThreadHandle::ThreadHandle(UserDataFunction function, void* context, uintptr_t userData, std::size_t stackBytes)
    : callback_(newCallback()), stackBytes_(stackBytes)
{
    callback_->userContext = context;
    callback_->userFunction = function;
    callback_->userData = userData;
}

ThreadHandle::~ThreadHandle()
{
    // An owner that forgets to join would leave a thread reading a freed record.
    join();
    std::free(callback_);
}

ThreadHandle::ThreadHandle(ThreadHandle&& other) noexcept
    : thread_(other.thread_), callback_(other.callback_), stackBytes_(other.stackBytes_), started_(other.started_)
{
    other.thread_ = 0;
    other.callback_ = nullptr;
    other.started_ = false;
}

ThreadHandle& ThreadHandle::operator=(ThreadHandle&& other) noexcept
{
    if (this != &other) {
        join();
        std::free(callback_);
        thread_ = other.thread_;
        callback_ = other.callback_;
        stackBytes_ = other.stackBytes_;
        started_ = other.started_;
        other.thread_ = 0;
        other.callback_ = nullptr;
        other.started_ = false;
    }
    return *this;
}

void ThreadHandle::start()
{
    if (started_ || callback_ == nullptr)
        return;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0)
        std::abort();
    if (stackBytes_ != 0 && pthread_attr_setstacksize(&attr, stackBytes_) != 0)
        std::abort();
    pthread_t t;
    if (pthread_create(&t, &attr, posixThreadEntryPoint, callback_) != 0)
        std::abort();
    if (pthread_attr_destroy(&attr) != 0)
        std::abort();
    static_assert(sizeof(pthread_t) <= sizeof(uintptr_t));
    thread_ = static_cast<uintptr_t>(t);
    started_ = true;
}

void ThreadHandle::join()
{
    if (!started_)
        return;
    if (pthread_join(static_cast<pthread_t>(thread_), nullptr) != 0)
        std::abort();
    started_ = false;
    thread_ = 0;
}

} // namespace vf
