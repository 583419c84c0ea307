// The engine's chunk processing for processors with AVX-512 (F, DQ and VL): the stages
// that run along time get sixteen float or eight double lanes; the recursions keep AVX2's
// widths but gain sixteen more registers, enough to hold the states of all three blocks.
// Shared code is included before the target switch (see HighRateAvx2.cpp), the AVX2 lane
// types under AVX2's own target so that both translation units compile them alike.
// GCC 12 reports its own AVX-512 intrinsics' deliberately undefined pass-through operands
// as maybe-uninitialized.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include "plugin/DownsamplingNx.hpp"
#include "plugin/KneeLimit.hpp"
#include "plugin/simd/HighRatePath.hpp"
#include "plugin/simd/KernelProbes.hpp"
#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#pragma GCC push_options
#pragma GCC target("avx2,fma")
#include "plugin/simd/Avx2Lanes.hpp"
#pragma GCC pop_options

#pragma GCC target("avx2,fma,avx512f,avx512dq,avx512vl")

#include "plugin/simd/Avx512Lanes.hpp"
#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"

#include "plugin/simd/HighRateKernels.hpp"

namespace vf::simd {

// q / 3 with one multiply and two fused multiply-adds; see HighRateAvx2.cpp.
template <>
struct DivideByThree<Avx512> {
    static Avx512F32 inRange(Avx512F32 q)
    {
        const __m512 third = _mm512_set1_ps(1.0f / 3.0f);
        const __m512 r = _mm512_mul_ps(q.v, third);
        const __m512 e = _mm512_fnmadd_ps(r, _mm512_set1_ps(3.0f), q.v);
        return _mm512_fmadd_ps(e, third, r);
    }

    static Avx512F32 of(Avx512F32 q)
    {
        const __m512 m = _mm512_abs_ps(q.v);
        const __mmask16 easy = (_mm512_cmp_ps_mask(m, _mm512_set1_ps(0x1p-90f), _CMP_GE_OQ) &
                                _mm512_cmp_ps_mask(m, _mm512_set1_ps(0x1p100f), _CMP_LE_OQ)) |
                               _mm512_cmp_ps_mask(q.v, _mm512_setzero_ps(), _CMP_EQ_OQ);
        if (easy != 0xffff) [[unlikely]]
            return _mm512_div_ps(q.v, _mm512_set1_ps(3.0f));
        return inRange(q);
    }
};

void processChunkAvx512(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                        const float* const* inputs, float* const* outputs, int frames, int channels)
{
    if (channels == 2)
        processChunk<Avx512, 2>(state, settings, scratch, inputs, outputs, frames);
    else
        processChunk<Avx512, 1>(state, settings, scratch, inputs, outputs, frames);
}

void divideByThreeAvx512(const float* in, float* out, int count)
{
    for (int i = 0; i < count; i += Avx512F32::lanes)
        DivideByThree<Avx512>::of(Avx512F32::load(in + i)).store(out + i);
}

void noiseOffsetsAvx512(const float* value, const uint32_t* noise, float* out, int count)
{
    alignas(64) double state[16];
    for (int i = 0; i < count; i += 16) {
        for (int k = 0; k < 16; ++k) {
            out[i + k] = value[i + k];
            state[k] = noise[i + k];
        }
        addNoiseOffsets<Avx512>(out + i, state, 16);
    }
}

} // namespace vf::simd
