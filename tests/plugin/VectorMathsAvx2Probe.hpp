#pragma once

// The AVX2 instantiations of the vector maths, compiled in a translation unit of their
// own.  Callers must check avx2Supported() first.

namespace vf::test {

bool avx2Supported();

// Any count; the last partial vector is padded internally.
void sineBlockAvx2(const double* in, double* out, int count);
void arcSineRoundedToFloatBlockAvx2(const double* in, double* out, int count);
void arcSineDoubleBlockAvx2(const double* in, double* out, int count);

} // namespace vf::test
