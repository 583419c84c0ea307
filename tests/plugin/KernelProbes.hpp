#pragma once

// Entry points into single steps of the vector kernels, for tests that check them over
// whole ranges of inputs.  Call a path's probe only when the processor supports it.

#include <cstdint>

namespace vf::simd {

// out[i] = in[i] / 3 as the waveshaper computes it; count a multiple of 16.
void divideByThreeSse2(const float* in, float* out, int count);
void divideByThreeAvx2(const float* in, float* out, int count);
void divideByThreeAvx512(const float* in, float* out, int count);

// out[i] = the down-converter's offset added to value[i] for generator state noise[i];
// count a multiple of 16.
void noiseOffsetsSse2(const float* value, const uint32_t* noise, float* out, int count);
void noiseOffsetsAvx2(const float* value, const uint32_t* noise, float* out, int count);
void noiseOffsetsAvx512(const float* value, const uint32_t* noise, float* out, int count);

// The down-converter's two high-rate sections (pass-through set) over `values` interleaved
// stereo values in place, skipped where the kernel proves that exact; `history` holds both
// sections' x1, x2, y1, y2 per channel (16 values) and is carried along.  `stream` must
// have room for two values before it.  Returns whether the sections were skipped.
bool downSectionsSse2(float* stream, int values, double* history);
bool downSectionsAvx2(float* stream, int values, double* history);
bool downSectionsAvx512(float* stream, int values, double* history);

} // namespace vf::simd
