#include "core/UncheckedMutex.hpp"

#include "core/AlignedOsObject.hpp"

#include <cstdlib>
#include <pthread.h>

namespace vf {

namespace {

pthread_mutex_t* createRecursiveMutex()
{
    auto* m = static_cast<pthread_mutex_t*>(allocateAlignedOsObject(sizeof(pthread_mutex_t)));
    pthread_mutexattr_t attr;
    if (pthread_mutexattr_init(&attr) != 0 || pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE) != 0
        || pthread_mutex_init(m, &attr) != 0)
        std::abort();
    pthread_mutexattr_destroy(&attr);
    return m;
}

void destroyMutex(void* m)
{
    if (m == nullptr)
        return;
    pthread_mutex_destroy(static_cast<pthread_mutex_t*>(m));
    freeAlignedOsObject(m);
}

} // namespace

UncheckedMutex::~UncheckedMutex()
{
    destroyMutex(handle_.exchange(nullptr));
}

void* UncheckedMutex::handle()
{
    void* h = handle_.load(std::memory_order_acquire);
    if (h != nullptr)
        return h;
    void* created = createRecursiveMutex();
    void* expected = nullptr;
    if (handle_.compare_exchange_strong(expected, created, std::memory_order_acq_rel))
        return created;
    destroyMutex(created); // another thread won the race
    return expected;
}

void UncheckedMutex::lock()
{
    if (pthread_mutex_lock(static_cast<pthread_mutex_t*>(handle())) != 0)
        std::abort();
}

void UncheckedMutex::unlock()
{
    if (pthread_mutex_unlock(static_cast<pthread_mutex_t*>(handle())) != 0)
        std::abort();
}

bool UncheckedMutex::tryLock()
{
    return pthread_mutex_trylock(static_cast<pthread_mutex_t*>(handle())) == 0;
}

} // namespace vf
