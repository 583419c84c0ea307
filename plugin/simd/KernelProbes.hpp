#pragma once

// Entry points into single steps of the vector kernels, for tests that check them over
// whole ranges of inputs.  Call a path's probe only when the processor supports it.

namespace vf::simd {

// out[i] = in[i] / 3 as the waveshaper computes it; count a multiple of 16.
void divideByThreeSse2(const float* in, float* out, int count);
void divideByThreeAvx2(const float* in, float* out, int count);
void divideByThreeAvx512(const float* in, float* out, int count);

} // namespace vf::simd
