// Everything the target switch must not touch comes first: after the pragma, every
// function defined in this file is compiled for AVX2, so nothing shared with SSE2 code
// (such as the scalar or SSE2 lane types) may be included below it.
#include <bit>
#include <cmath>
#include <cstdint>
#include <immintrin.h>
#include <limits>

#include "tests/plugin/VectorMathsAvx2Probe.hpp"

namespace vf::test {

bool avx2Supported()
{
    return __builtin_cpu_supports("avx2");
}

} // namespace vf::test

#if defined(__clang__) // no target pragma: the attribute pragma, popped at the end of the file
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC target("avx2")
#endif

#include "plugin/simd/Avx2Lanes.hpp"
#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"
#include "tests/plugin/LaneBlock.hpp"

namespace vf::test {
namespace {
using Lanes = simd::Avx2F64;
} // namespace

void sineBlockAvx2(const double* in, double* out, int count)
{
    runLaneBlock<Lanes, simd::sineOf<Lanes>>(in, out, count);
}

void arcSineRoundedToFloatBlockAvx2(const double* in, double* out, int count)
{
    runLaneBlock<Lanes, simd::arcSineRoundedToFloat<Lanes>>(in, out, count);
}

void arcSineDoubleBlockAvx2(const double* in, double* out, int count)
{
    runLaneBlock<Lanes, simd::arcSineDouble<Lanes>>(in, out, count);
}

} // namespace vf::test

#if defined(__clang__)
#pragma clang attribute pop
#endif
