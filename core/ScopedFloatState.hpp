#pragma once
#include <cstdint>

namespace vf {

// Entered at the top of every host entry point: the audio path runs with
// flush-to-zero and denormals-are-zero, all floating-point exceptions masked and
// round-to-nearest, whatever the host left in the control registers.  Leaving
// restores the host's state.
class ScopedFloatState {
public:
    ScopedFloatState();
    ~ScopedFloatState();
    ScopedFloatState(const ScopedFloatState&) = delete;
    ScopedFloatState& operator=(const ScopedFloatState&) = delete;

private:
    uint32_t savedMxcsr_;
    uint16_t savedX87_;
};

} // namespace vf
