#pragma once
#include <cstdint>

namespace vf {

// Pointer bookkeeping of a window, kept apart from the window system so that it can
// be exercised without a display: double-click timing and motion deltas.
// Used by one thread at a time (the window's event thread).
class PointerTracker {
public:
    static constexpr uint64_t doubleClickMicroseconds = 500000;

    explicit PointerTracker(uint64_t nowMicroseconds = 0) : lastPressTime_(nowMicroseconds) {}

    // Any button press, wheel steps included.  Returns true when it comes within the
    // double-click time of the previous press.
    bool press(int x, int y, uint64_t nowMicroseconds)
    {
        // The clock may be coarse or, for wall-clock fallback, step backwards.
        const uint64_t elapsed = nowMicroseconds >= lastPressTime_ ? nowMicroseconds - lastPressTime_ : 0;
        lastPressTime_ = nowMicroseconds;
        lastX_ = x;
        lastY_ = y;
        return elapsed <= doubleClickMicroseconds;
    }

    void release(int x, int y)
    {
        lastX_ = x;
        lastY_ = y;
    }

    // The pointer entered the window: its next move reports no delta.
    void enter() { firstMoveAfterEnter_ = true; }

    struct Delta {
        int dx;
        int dy;
    };

    Delta move(int x, int y)
    {
        if (firstMoveAfterEnter_) {
            lastX_ = x;
            lastY_ = y;
            firstMoveAfterEnter_ = false;
        }
        const Delta d{x - lastX_, y - lastY_};
        lastX_ = x;
        lastY_ = y;
        return d;
    }

private:
    uint64_t lastPressTime_ = 0;
    bool firstMoveAfterEnter_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
};

} // namespace vf
