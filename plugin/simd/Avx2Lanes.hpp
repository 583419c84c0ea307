#pragma once

// Lane types for AVX2: four doubles and eight floats per register.  Only kernels compiled
// for AVX2 include this header, and only after switching the target (see the kernels'
// translation unit).  Same contract as Sse2Lanes: one IEEE operation per lane, no fused
// multiply-add.  The operations are free functions, not hidden friends: GCC does not
// apply a target switch to friend functions defined inside a class.

#include <immintrin.h>

#include <cstdint>

namespace vf::simd {

struct Avx2F64 {
    static constexpr int lanes = 4;
    __m256d v;

    Avx2F64() = default;
    Avx2F64(__m256d x) : v(x) {}
    explicit Avx2F64(double x) : v(_mm256_set1_pd(x)) {}

    static Avx2F64 load(const double* p) { return _mm256_loadu_pd(p); }
    void store(double* p) const { _mm256_storeu_pd(p, v); }
    static Avx2F64 fromBits(uint64_t bits) { return _mm256_castsi256_pd(_mm256_set1_epi64x(static_cast<long long>(bits))); }
    static Avx2F64 fromFloats(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
    void storeFloats(float* p) const { _mm_storeu_ps(p, _mm256_cvtpd_ps(v)); }
};

inline Avx2F64 operator+(Avx2F64 a, Avx2F64 b) { return _mm256_add_pd(a.v, b.v); }
inline Avx2F64 operator-(Avx2F64 a, Avx2F64 b) { return _mm256_sub_pd(a.v, b.v); }
inline Avx2F64 operator*(Avx2F64 a, Avx2F64 b) { return _mm256_mul_pd(a.v, b.v); }
inline Avx2F64 operator/(Avx2F64 a, Avx2F64 b) { return _mm256_div_pd(a.v, b.v); }
inline Avx2F64 operator&(Avx2F64 a, Avx2F64 b) { return _mm256_and_pd(a.v, b.v); }
inline Avx2F64 operator|(Avx2F64 a, Avx2F64 b) { return _mm256_or_pd(a.v, b.v); }
inline Avx2F64 operator^(Avx2F64 a, Avx2F64 b) { return _mm256_xor_pd(a.v, b.v); }
inline Avx2F64 andNot(Avx2F64 a, Avx2F64 b) { return _mm256_andnot_pd(a.v, b.v); }
inline Avx2F64 roundToFloat(Avx2F64 a) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(a.v)); }
inline Avx2F64 sqrt(Avx2F64 a) { return _mm256_sqrt_pd(a.v); }
inline Avx2F64 abs(Avx2F64 a) { return andNot(Avx2F64(-0.0), a); }
inline Avx2F64 lessThan(Avx2F64 a, Avx2F64 b) { return _mm256_cmp_pd(a.v, b.v, _CMP_LT_OQ); }
inline Avx2F64 lessEqual(Avx2F64 a, Avx2F64 b) { return _mm256_cmp_pd(a.v, b.v, _CMP_LE_OQ); }
inline Avx2F64 equal(Avx2F64 a, Avx2F64 b) { return _mm256_cmp_pd(a.v, b.v, _CMP_EQ_OQ); }
inline Avx2F64 select(Avx2F64 mask, Avx2F64 a, Avx2F64 b) { return _mm256_blendv_pd(b.v, a.v, mask.v); }
inline int signBits(Avx2F64 a) { return _mm256_movemask_pd(a.v); }
inline Avx2F64 signToMask(Avx2F64 a)
{
    return _mm256_castsi256_pd(_mm256_cmpgt_epi64(_mm256_setzero_si256(), _mm256_castpd_si256(a.v)));
}
template <int n>
inline Avx2F64 shiftBitsLeft(Avx2F64 a) { return _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_castpd_si256(a.v), n)); }
template <int n>
inline Avx2F64 shiftBitsRight(Avx2F64 a) { return _mm256_castsi256_pd(_mm256_srli_epi64(_mm256_castpd_si256(a.v), n)); }
inline Avx2F64 addBits(Avx2F64 a, Avx2F64 b) { return _mm256_castsi256_pd(_mm256_add_epi64(_mm256_castpd_si256(a.v), _mm256_castpd_si256(b.v))); }

struct Avx2F32 {
    static constexpr int lanes = 8;
    __m256 v;

    Avx2F32() = default;
    Avx2F32(__m256 x) : v(x) {}
    explicit Avx2F32(float x) : v(_mm256_set1_ps(x)) {}

    static Avx2F32 load(const float* p) { return _mm256_loadu_ps(p); }
    void store(float* p) const { _mm256_storeu_ps(p, v); }
    static Avx2F32 fromBits(uint32_t bits) { return _mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int>(bits))); }
    Avx2F64 lowerDoubles() const { return _mm256_cvtps_pd(_mm256_castps256_ps128(v)); }
    Avx2F64 upperDoubles() const { return _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1)); }
    static Avx2F32 fromDoubles(Avx2F64 lower, Avx2F64 upper)
    {
        return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(lower.v)), _mm256_cvtpd_ps(upper.v), 1);
    }


};

inline Avx2F32 operator+(Avx2F32 a, Avx2F32 b) { return _mm256_add_ps(a.v, b.v); }
inline Avx2F32 operator-(Avx2F32 a, Avx2F32 b) { return _mm256_sub_ps(a.v, b.v); }
inline Avx2F32 operator*(Avx2F32 a, Avx2F32 b) { return _mm256_mul_ps(a.v, b.v); }
inline Avx2F32 operator/(Avx2F32 a, Avx2F32 b) { return _mm256_div_ps(a.v, b.v); }
inline Avx2F32 operator&(Avx2F32 a, Avx2F32 b) { return _mm256_and_ps(a.v, b.v); }
inline Avx2F32 operator|(Avx2F32 a, Avx2F32 b) { return _mm256_or_ps(a.v, b.v); }
inline Avx2F32 operator^(Avx2F32 a, Avx2F32 b) { return _mm256_xor_ps(a.v, b.v); }
inline Avx2F32 andNot(Avx2F32 a, Avx2F32 b) { return _mm256_andnot_ps(a.v, b.v); }
inline Avx2F32 abs(Avx2F32 a) { return andNot(Avx2F32(-0.0f), a); }
inline Avx2F32 lessThan(Avx2F32 a, Avx2F32 b) { return _mm256_cmp_ps(a.v, b.v, _CMP_LT_OQ); }
inline Avx2F32 lessEqual(Avx2F32 a, Avx2F32 b) { return _mm256_cmp_ps(a.v, b.v, _CMP_LE_OQ); }
inline Avx2F32 equal(Avx2F32 a, Avx2F32 b) { return _mm256_cmp_ps(a.v, b.v, _CMP_EQ_OQ); }
inline Avx2F32 select(Avx2F32 mask, Avx2F32 a, Avx2F32 b) { return _mm256_blendv_ps(b.v, a.v, mask.v); }
inline int signBits(Avx2F32 a) { return _mm256_movemask_ps(a.v); }

struct Avx2 {
    using F64 = Avx2F64;
    using F32 = Avx2F32;
    // Lanes for the tone stage's four stereo records.
    using ToneLanes = Avx2F64;
    static constexpr const char* name = "avx2";
};

} // namespace vf::simd
