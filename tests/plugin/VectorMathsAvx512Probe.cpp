// The AVX-512 instantiations of the vector maths, in a translation unit of their own like
// the AVX2 ones (see VectorMathsAvx2Probe.cpp): nothing shared with narrower code may be
// compiled after the target switch.  GCC 12 reports its own AVX-512 intrinsics' deliberately
// undefined pass-through operands as maybe-uninitialized.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <bit>
#include <cmath>
#include <cstdint>
#include <immintrin.h>
#include <limits>

#include "tests/plugin/VectorMathsAvx2Probe.hpp"

namespace vf::test {

bool avx512Supported()
{
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512vl");
}

} // namespace vf::test

// The AVX-512 lane types name the AVX2 ones; those are compiled as in every AVX2 unit.
#if defined(__clang__) // no target pragma: the attribute pragma, popped at the end of the file
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#include "plugin/simd/Avx2Lanes.hpp"
#pragma clang attribute pop
#pragma clang attribute push(__attribute__((target("avx2,fma,avx512f,avx512dq,avx512vl"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#include "plugin/simd/Avx2Lanes.hpp"
#pragma GCC pop_options

#pragma GCC target("avx2,fma,avx512f,avx512dq,avx512vl")
#endif

#include "plugin/simd/Avx512Lanes.hpp"
#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"
#include "tests/plugin/LaneBlock.hpp"

namespace vf::test {
namespace {
using Lanes = simd::Avx512F64;
} // namespace

void sineBlockAvx512(const double* in, double* out, int count)
{
    runLaneBlock<Lanes, simd::sineOf<Lanes>>(in, out, count);
}

void arcSineRoundedToFloatBlockAvx512(const double* in, double* out, int count)
{
    runLaneBlock<Lanes, simd::arcSineRoundedToFloat<Lanes>>(in, out, count);
}

} // namespace vf::test

#if defined(__clang__)
#pragma clang attribute pop
#endif
