#pragma once

// The AVX2 and AVX-512 instantiations of the vector maths, each compiled in a translation
// unit of its own.  Callers must check avx2Supported() or avx512Supported() first.

namespace vf::test {

bool avx2Supported();

// Any count; the last partial vector is padded internally.
void sineBlockAvx2(const double* in, double* out, int count);
void arcSineRoundedToFloatBlockAvx2(const double* in, double* out, int count);
void arcSineDoubleBlockAvx2(const double* in, double* out, int count);

bool avx512Supported();
void sineBlockAvx512(const double* in, double* out, int count);
void arcSineRoundedToFloatBlockAvx512(const double* in, double* out, int count);

} // namespace vf::test
