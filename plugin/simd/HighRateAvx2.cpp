// The oversampled path for processors with AVX2.  Everything shared with the baseline
// (standard library, lane types of the baseline, scalar helpers) is included before the
// target switch, so that no function both translation units define is compiled with AVX2
// instructions; only this file's own templates are.  Fused multiply-adds appear only where
// written out (the exact division below); the compiler never contracts.
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

// Clang has no target pragma; its attribute pragma gives the functions below the same
// target, up to the pop at the end of the file.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC target("avx2,fma")
#endif

#include "plugin/simd/Avx2Lanes.hpp"
#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"

#include "plugin/simd/HighRateKernels.hpp"
#include "plugin/simd/PackedShelves.hpp"

namespace vf::simd {

template <>
struct PackedShelvesFor<Avx2> {
    using type = PackedShelves<Avx2>;
};

// q / 3 with one multiply and two fused multiply-adds: r = q * (1/3), e = q - 3r (exact),
// r + e * (1/3).  Correctly rounded for every q in the ordinary range (checked over whole
// binades by the tests; the steps scale exactly by powers of two); zero, tiny, huge and
// non-finite q take the division.
template <>
struct DivideByThree<Avx2> {
    static Avx2F32 inRange(Avx2F32 q)
    {
        const __m256 third = _mm256_set1_ps(1.0f / 3.0f);
        const __m256 r = _mm256_mul_ps(q.v, third);
        const __m256 e = _mm256_fnmadd_ps(r, _mm256_set1_ps(3.0f), q.v);
        return _mm256_fmadd_ps(e, third, r);
    }

    static Avx2F32 of(Avx2F32 q)
    {
        const __m256 m = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), q.v);
        const __m256 ordinary = _mm256_and_ps(_mm256_cmp_ps(m, _mm256_set1_ps(0x1p-90f), _CMP_GE_OQ),
                                              _mm256_cmp_ps(m, _mm256_set1_ps(0x1p100f), _CMP_LE_OQ));
        const __m256 easy = _mm256_or_ps(ordinary, _mm256_cmp_ps(q.v, _mm256_setzero_ps(), _CMP_EQ_OQ));
        if (_mm256_movemask_ps(easy) != 0xff) [[unlikely]]
            return _mm256_div_ps(q.v, _mm256_set1_ps(3.0f));
        return inRange(q);
    }
};

void processChunkAvx2(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                      const float* const* inputs, float* const* outputs, int frames, int channels)
{
    if (channels == 2)
        processChunk<Avx2, 2>(state, settings, scratch, inputs, outputs, frames);
    else
        processChunk<Avx2, 1>(state, settings, scratch, inputs, outputs, frames);
}

void divideByThreeAvx2(const float* in, float* out, int count)
{
    for (int i = 0; i < count; i += Avx2F32::lanes)
        DivideByThree<Avx2>::of(Avx2F32::load(in + i)).store(out + i);
}

void noiseOffsetsAvx2(const float* value, const uint32_t* noise, float* out, int count)
{
    alignas(64) double state[16];
    for (int i = 0; i < count; i += 16) {
        for (int k = 0; k < 16; ++k) {
            out[i + k] = value[i + k];
            state[k] = noise[i + k];
        }
        addNoiseOffsets<Avx2>(out + i, state, 16);
    }
}

bool downSectionsAvx2(float* stream, int values, double* history)
{
    return downSectionsProbe<Avx2>(stream, values, history);
}

} // namespace vf::simd

#if defined(__clang__)
#pragma clang attribute pop
#endif
