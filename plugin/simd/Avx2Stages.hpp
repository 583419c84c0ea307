#pragma once

// What AVX2 changes in the chunk processing: q / 3 with fused multiply-adds and the
// first fixed section packed with the treble shelf.  Include after switching the target
// to AVX2 (see HighRateAvx2.cpp); fused multiply-adds appear only where written out, the
// compiler never contracts.

#include "plugin/simd/Avx2Lanes.hpp"
#include "plugin/simd/HighRateKernels.hpp"
#include "plugin/simd/PackedShelves.hpp"

#include <immintrin.h>

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

} // namespace vf::simd
