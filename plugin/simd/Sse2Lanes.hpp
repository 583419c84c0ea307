#pragma once

// Lane types for the SSE2 baseline every x86-64 has: two doubles and four floats per
// register.  Only the vector kernels include this header.  Every operation is a single
// IEEE operation per lane (no fused multiply-add), so a kernel gives, lane by lane, the
// bits of the same arithmetic written for ScalarLanes.

#include <emmintrin.h>

#include <cstdint>

namespace vf::simd {

struct Sse2F64 {
    static constexpr int lanes = 2;
    __m128d v;

    Sse2F64() = default;
    Sse2F64(__m128d x) : v(x) {}
    explicit Sse2F64(double x) : v(_mm_set1_pd(x)) {}

    static Sse2F64 load(const double* p) { return _mm_loadu_pd(p); }
    void store(double* p) const { _mm_storeu_pd(p, v); }
    static Sse2F64 fromBits(uint64_t bits) { return _mm_castsi128_pd(_mm_set1_epi64x(static_cast<long long>(bits))); }
    // Lanes widened from the lower half of four floats.
    static Sse2F64 fromFloats(const float* p)
    {
        return _mm_cvtps_pd(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(p))));
    }
    // Each lane rounded to float.
    void storeFloats(float* p) const { _mm_store_sd(reinterpret_cast<double*>(p), _mm_castps_pd(_mm_cvtpd_ps(v))); }
};

inline Sse2F64 operator+(Sse2F64 a, Sse2F64 b) { return _mm_add_pd(a.v, b.v); }
inline Sse2F64 operator-(Sse2F64 a, Sse2F64 b) { return _mm_sub_pd(a.v, b.v); }
inline Sse2F64 operator*(Sse2F64 a, Sse2F64 b) { return _mm_mul_pd(a.v, b.v); }
inline Sse2F64 operator/(Sse2F64 a, Sse2F64 b) { return _mm_div_pd(a.v, b.v); }
inline Sse2F64 operator&(Sse2F64 a, Sse2F64 b) { return _mm_and_pd(a.v, b.v); }
inline Sse2F64 operator|(Sse2F64 a, Sse2F64 b) { return _mm_or_pd(a.v, b.v); }
inline Sse2F64 operator^(Sse2F64 a, Sse2F64 b) { return _mm_xor_pd(a.v, b.v); }
// ~a & b
inline Sse2F64 andNot(Sse2F64 a, Sse2F64 b) { return _mm_andnot_pd(a.v, b.v); }
// Each lane rounded to float and widened back.
inline Sse2F64 roundToFloat(Sse2F64 a) { return _mm_cvtps_pd(_mm_cvtpd_ps(a.v)); }
inline Sse2F64 sqrt(Sse2F64 a) { return _mm_sqrt_pd(a.v); }
inline Sse2F64 abs(Sse2F64 a) { return andNot(Sse2F64(-0.0), a); }
// Comparisons give all-ones lanes where true (false for NaN).
inline Sse2F64 lessThan(Sse2F64 a, Sse2F64 b) { return _mm_cmplt_pd(a.v, b.v); }
inline Sse2F64 lessEqual(Sse2F64 a, Sse2F64 b) { return _mm_cmple_pd(a.v, b.v); }
inline Sse2F64 equal(Sse2F64 a, Sse2F64 b) { return _mm_cmpeq_pd(a.v, b.v); }
// mask ? a : b, lane by lane
inline Sse2F64 select(Sse2F64 mask, Sse2F64 a, Sse2F64 b) { return _mm_or_pd(_mm_and_pd(mask.v, a.v), _mm_andnot_pd(mask.v, b.v)); }
// Bit k set when lane k's sign bit (of a mask: the whole lane) is set.
inline int signBits(Sse2F64 a) { return _mm_movemask_pd(a.v); }
// All-ones lanes where the sign bit is set.
inline Sse2F64 signToMask(Sse2F64 a)
{
    return _mm_castsi128_pd(_mm_shuffle_epi32(_mm_srai_epi32(_mm_castpd_si128(a.v), 31), _MM_SHUFFLE(3, 3, 1, 1)));
}
// The lanes' 64-bit patterns shifted as unsigned integers.
template <int n>
inline Sse2F64 shiftBitsLeft(Sse2F64 a) { return _mm_castsi128_pd(_mm_slli_epi64(_mm_castpd_si128(a.v), n)); }
template <int n>
inline Sse2F64 shiftBitsRight(Sse2F64 a) { return _mm_castsi128_pd(_mm_srli_epi64(_mm_castpd_si128(a.v), n)); }
// Lane-wise 64-bit integer sum of the patterns.
inline Sse2F64 addBits(Sse2F64 a, Sse2F64 b) { return _mm_castsi128_pd(_mm_add_epi64(_mm_castpd_si128(a.v), _mm_castpd_si128(b.v))); }

struct Sse2F32 {
    static constexpr int lanes = 4;
    __m128 v;

    Sse2F32() = default;
    Sse2F32(__m128 x) : v(x) {}
    explicit Sse2F32(float x) : v(_mm_set1_ps(x)) {}

    static Sse2F32 load(const float* p) { return _mm_loadu_ps(p); }
    void store(float* p) const { _mm_storeu_ps(p, v); }
    static Sse2F32 fromBits(uint32_t bits) { return _mm_castsi128_ps(_mm_set1_epi32(static_cast<int>(bits))); }
    // Lanes 0..1 and 2..3 widened to double, and back (each lane rounded to float).
    Sse2F64 lowerDoubles() const { return _mm_cvtps_pd(v); }
    Sse2F64 upperDoubles() const { return _mm_cvtps_pd(_mm_movehl_ps(v, v)); }
    static Sse2F32 fromDoubles(Sse2F64 lower, Sse2F64 upper) { return _mm_movelh_ps(_mm_cvtpd_ps(lower.v), _mm_cvtpd_ps(upper.v)); }


};

inline Sse2F32 operator+(Sse2F32 a, Sse2F32 b) { return _mm_add_ps(a.v, b.v); }
inline Sse2F32 operator-(Sse2F32 a, Sse2F32 b) { return _mm_sub_ps(a.v, b.v); }
inline Sse2F32 operator*(Sse2F32 a, Sse2F32 b) { return _mm_mul_ps(a.v, b.v); }
inline Sse2F32 operator/(Sse2F32 a, Sse2F32 b) { return _mm_div_ps(a.v, b.v); }
inline Sse2F32 operator&(Sse2F32 a, Sse2F32 b) { return _mm_and_ps(a.v, b.v); }
inline Sse2F32 operator|(Sse2F32 a, Sse2F32 b) { return _mm_or_ps(a.v, b.v); }
inline Sse2F32 operator^(Sse2F32 a, Sse2F32 b) { return _mm_xor_ps(a.v, b.v); }
inline Sse2F32 andNot(Sse2F32 a, Sse2F32 b) { return _mm_andnot_ps(a.v, b.v); }
inline Sse2F32 abs(Sse2F32 a) { return andNot(Sse2F32(-0.0f), a); }
inline Sse2F32 lessThan(Sse2F32 a, Sse2F32 b) { return _mm_cmplt_ps(a.v, b.v); }
inline Sse2F32 lessEqual(Sse2F32 a, Sse2F32 b) { return _mm_cmple_ps(a.v, b.v); }
inline Sse2F32 equal(Sse2F32 a, Sse2F32 b) { return _mm_cmpeq_ps(a.v, b.v); }
inline Sse2F32 select(Sse2F32 mask, Sse2F32 a, Sse2F32 b) { return _mm_or_ps(_mm_and_ps(mask.v, a.v), _mm_andnot_ps(mask.v, b.v)); }
inline int signBits(Sse2F32 a) { return _mm_movemask_ps(a.v); }

// The instruction-set tag the kernels are instantiated with.
struct Sse2 {
    using F64 = Sse2F64;
    using F32 = Sse2F32;
    // Lanes for the tone stage's four stereo records.
    using ToneLanes = Sse2F64;
    static constexpr const char* name = "sse2";
};

} // namespace vf::simd
