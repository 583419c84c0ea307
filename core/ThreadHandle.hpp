#pragma once
#include <cstddef>
#include <cstdint>

namespace vf {

// A POSIX thread with a chosen stack size and a callback.  Start and join from the
// owning thread; a failing thread call stops the process.
class ThreadHandle {
public:
    using PlainFunction = void (*)(void* context);
    using UserDataFunction = void (*)(void* context, uintptr_t userData);

    ThreadHandle() = default;
    ThreadHandle(PlainFunction function, void* context, std::size_t stackBytes = 0);
    ThreadHandle(UserDataFunction function, void* context, uintptr_t userData, std::size_t stackBytes = 0);
    ~ThreadHandle();
    ThreadHandle(const ThreadHandle&) = delete;
    ThreadHandle& operator=(const ThreadHandle&) = delete;
    ThreadHandle(ThreadHandle&& other) noexcept;
    ThreadHandle& operator=(ThreadHandle&& other) noexcept;

    void start();
    void join(); // harmless when not started or already joined
    bool running() const { return started_; }

    struct Callback; // heap record read by the new thread

private:
    uintptr_t thread_ = 0;
    Callback* callback_ = nullptr;
    std::size_t stackBytes_ = 0;
    bool started_ = false;
};

} // namespace vf
