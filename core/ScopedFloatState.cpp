#include "core/ScopedFloatState.hpp"

#include <xmmintrin.h>

namespace vf {

namespace {

uint16_t readX87ControlWord()
{
    uint16_t cw;
    asm volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

void loadX87ControlWord(uint16_t cw)
{
    // Pending exceptions would fire on the next x87 instruction once unmasked.
    asm volatile("fnclex\n\tfldcw %0" : : "m"(cw));
}

} // namespace

ScopedFloatState::ScopedFloatState()
{
    savedMxcsr_ = _mm_getcsr();
    _mm_setcsr(0x9FFF); // all exceptions masked, FTZ and DAZ, round to nearest
    savedX87_ = readX87ControlWord();
    loadX87ControlWord(0x037F); // masked, 64-bit precision, round to nearest
}

ScopedFloatState::~ScopedFloatState()
{
    _mm_setcsr(savedMxcsr_);
    loadX87ControlWord(savedX87_);
}

} // namespace vf
