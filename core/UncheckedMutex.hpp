#pragma once
#include <atomic>

namespace vf {

// Recursive mutex whose OS object is created lazily, race-free, on first use.
// A failing lock or unlock stops the process: there is nobody to report to.
class UncheckedMutex {
public:
    UncheckedMutex() = default;
    UncheckedMutex(const UncheckedMutex&) = delete;
    UncheckedMutex& operator=(const UncheckedMutex&) = delete;
    ~UncheckedMutex();

    void lock();
    void unlock();
    bool tryLock(); // never waits

private:
    friend class ConditionVariable; // waits on the OS object itself
    void* handle();
    std::atomic<void*> handle_{nullptr};
};

// Scoped lock for UncheckedMutex.
class MutexLock {
public:
    explicit MutexLock(UncheckedMutex& m) : m_(m) { m_.lock(); }
    ~MutexLock() { m_.unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    UncheckedMutex& m_;
};

} // namespace vf
