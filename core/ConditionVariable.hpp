#pragma once

namespace vf {

class UncheckedMutex;

// Condition variable on a cache-line aligned OS object.  A failing call stops the process.
class ConditionVariable {
public:
    ConditionVariable();
    ~ConditionVariable();
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;

    // The mutex must be locked exactly once by the calling thread.
    void wait(UncheckedMutex& mutex);
    // Waits at most timeoutMicroseconds; returns false on timeout.
    bool waitFor(UncheckedMutex& mutex, long long timeoutMicroseconds);
    void notifyOne();
    void notifyAll();

private:
    void* cond_ = nullptr;
};

} // namespace vf
