#include "core/ConditionVariable.hpp"

#include "core/AlignedOsObject.hpp"
#include "core/UncheckedMutex.hpp"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <pthread.h>

namespace vf {

namespace {
pthread_cond_t* asCond(void* c) { return static_cast<pthread_cond_t*>(c); }
} // namespace

ConditionVariable::ConditionVariable()
{
    auto* c = static_cast<pthread_cond_t*>(allocateAlignedOsObject(sizeof(pthread_cond_t)));
    pthread_condattr_t attr;
    // Timed waits measure on the monotonic clock so that wall-clock steps do not matter.
    if (pthread_condattr_init(&attr) != 0 || pthread_condattr_setclock(&attr, CLOCK_MONOTONIC) != 0
        || pthread_cond_init(c, &attr) != 0)
        std::abort();
    pthread_condattr_destroy(&attr);
    cond_ = c;
}

ConditionVariable::~ConditionVariable()
{
    if (cond_ == nullptr)
        return;
    pthread_cond_destroy(asCond(cond_));
    freeAlignedOsObject(cond_);
    cond_ = nullptr;
}

void ConditionVariable::wait(UncheckedMutex& mutex)
{
    if (pthread_cond_wait(asCond(cond_), static_cast<pthread_mutex_t*>(mutex.handle())) != 0)
        std::abort();
}

bool ConditionVariable::waitFor(UncheckedMutex& mutex, long long timeoutMicroseconds)
{
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const long long ns = static_cast<long long>(deadline.tv_nsec) + (timeoutMicroseconds % 1000000) * 1000;
    deadline.tv_sec += static_cast<time_t>(timeoutMicroseconds / 1000000 + ns / 1000000000);
    deadline.tv_nsec = static_cast<long>(ns % 1000000000);
    const int r = pthread_cond_timedwait(asCond(cond_), static_cast<pthread_mutex_t*>(mutex.handle()), &deadline);
    if (r == ETIMEDOUT)
        return false;
    if (r != 0)
        std::abort();
    return true;
}

void ConditionVariable::notifyOne()
{
    if (pthread_cond_signal(asCond(cond_)) != 0)
        std::abort();
}

void ConditionVariable::notifyAll()
{
    if (pthread_cond_broadcast(asCond(cond_)) != 0)
        std::abort();
}

} // namespace vf
