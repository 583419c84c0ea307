#pragma once

// What AVX-512 changes in the chunk processing: q / 3 with fused multiply-adds, the
// packed shelves, and the stereo tone stage in one eight-lane register.  Include after
// switching the target to AVX-512 (see HighRateAvx512.cpp).

#include "plugin/simd/Avx2Lanes.hpp"
#include "plugin/simd/Avx512Lanes.hpp"
#include "plugin/simd/HighRateKernels.hpp"
#include "plugin/simd/PackedShelves.hpp"

#include <immintrin.h>

namespace vf::simd {

template <>
struct PackedShelvesFor<Avx512> {
    using type = PackedShelves<Avx512>;
};

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

// The stereo tone stage with the bass records in the lower four lanes and the treble
// records in the upper four: one eight-lane recursion step does the work of two
// four-lane ones, each lane performing the same operations as before.
struct WideToneStage {
    __m512d b0, b1, b2, a1, a2, gain, s1, s2;
    const double* sine;
    float* high;
    float* low;

    static __m512d pair(double bass, double treble)
    {
        return _mm512_insertf64x4(_mm512_set1_pd(bass), _mm256_set1_pd(treble), 1);
    }
    static __m512d join(const double* bass, const double* treble)
    {
        return _mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_loadu_pd(bass)), _mm256_loadu_pd(treble), 1);
    }

    WideToneStage(const HighRateState& st, const HighRateSettings& se, const double* sineIn, float* highOut,
                  float* lowOut)
        : b0(pair(se.bass.b0, se.treble.b0)), b1(pair(se.bass.b1, se.treble.b1)), b2(pair(se.bass.b2, se.treble.b2)),
          a1(pair(se.bass.a1, se.treble.a1)), a2(pair(se.bass.a2, se.treble.a2)), gain(pair(se.gBass, se.gTreble)),
          s1(join(st.bassS1, st.trebleS1)), s2(join(st.bassS2, st.trebleS2)), sine(sineIn), high(highOut), low(lowOut)
    {
    }

    // i: the pair's first sample; its two frames are the four lanes' inputs.
    [[gnu::always_inline]] void stepPair(int i)
    {
        const int at = i * 2;
        const __m512d x = _mm512_broadcast_f64x4(_mm256_loadu_pd(sine + at));
        const __m512d k = _mm512_add_pd(_mm512_mul_pd(b0, x), s1);
        s1 = _mm512_add_pd(_mm512_sub_pd(_mm512_mul_pd(b1, x), _mm512_mul_pd(a1, k)), s2);
        s2 = _mm512_sub_pd(_mm512_mul_pd(b2, x), _mm512_mul_pd(a2, k));
        // The bass lanes leave as (x - k) * gBass, the treble lanes as j * gTreble.
        const __m256 out = _mm512_cvtpd_ps(_mm512_mul_pd(_mm512_mask_sub_pd(k, 0x0f, x, k), gain));
        _mm_storeu_ps(high + at, _mm256_castps256_ps128(out));
        _mm_storeu_ps(low + at, _mm256_extractf128_ps(out, 1));
    }

    void save(HighRateState& st) const
    {
        _mm256_storeu_pd(st.bassS1, _mm512_castpd512_pd256(s1));
        _mm256_storeu_pd(st.trebleS1, _mm512_extractf64x4_pd(s1, 1));
        _mm256_storeu_pd(st.bassS2, _mm512_castpd512_pd256(s2));
        _mm256_storeu_pd(st.trebleS2, _mm512_extractf64x4_pd(s2, 1));
    }
};

template <>
struct ToneStageFor<Avx512, 2> {
    using type = WideToneStage;
};

} // namespace vf::simd
