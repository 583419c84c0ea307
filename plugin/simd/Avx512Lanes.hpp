#pragma once

// Lane types for AVX-512 (F, DQ and VL): eight doubles and sixteen floats per register, for
// the stages that run along time (sine, waveshaper, limiter, arc sine); the recursions
// keep the narrower lanes.  Only kernels compiled for AVX-512 include this header, after
// switching the target.  Same contract as Sse2Lanes: one IEEE operation per lane, no
// fused multiply-add.  Comparisons give mask registers, which combine and test without
// vector operations; full-lane masks (signToMask) are accepted where the narrower types
// use them, and there, as everywhere, only their sign bits count.

#include <immintrin.h>

#include <cstdint>

namespace vf::simd {

struct Avx512F64 {
    static constexpr int lanes = 8;
    __m512d v;

    Avx512F64() = default;
    Avx512F64(__m512d x) : v(x) {}
    explicit Avx512F64(double x) : v(_mm512_set1_pd(x)) {}

    static Avx512F64 load(const double* p) { return _mm512_loadu_pd(p); }
    void store(double* p) const { _mm512_storeu_pd(p, v); }
    static Avx512F64 fromBits(uint64_t bits) { return _mm512_castsi512_pd(_mm512_set1_epi64(static_cast<long long>(bits))); }
    static Avx512F64 fromFloats(const float* p) { return _mm512_cvtps_pd(_mm256_loadu_ps(p)); }
    void storeFloats(float* p) const { _mm256_storeu_ps(p, _mm512_cvtpd_ps(v)); }
};

// One bit per lane, from a comparison.
struct Avx512Mask8 {
    __mmask8 bits;
};

inline __mmask8 signMask(Avx512F64 a) { return _mm512_movepi64_mask(_mm512_castpd_si512(a.v)); }
inline Avx512Mask8 operator&(Avx512Mask8 a, Avx512Mask8 b) { return {static_cast<__mmask8>(a.bits & b.bits)}; }
inline Avx512Mask8 operator|(Avx512Mask8 a, Avx512Mask8 b) { return {static_cast<__mmask8>(a.bits | b.bits)}; }
inline Avx512Mask8 andNot(Avx512Mask8 a, Avx512Mask8 b) { return {static_cast<__mmask8>(~a.bits & b.bits)}; }
inline int signBits(Avx512Mask8 a) { return a.bits; }

inline Avx512F64 operator+(Avx512F64 a, Avx512F64 b) { return _mm512_add_pd(a.v, b.v); }
inline Avx512F64 operator-(Avx512F64 a, Avx512F64 b) { return _mm512_sub_pd(a.v, b.v); }
inline Avx512F64 operator*(Avx512F64 a, Avx512F64 b) { return _mm512_mul_pd(a.v, b.v); }
inline Avx512F64 operator/(Avx512F64 a, Avx512F64 b) { return _mm512_div_pd(a.v, b.v); }
inline Avx512F64 operator&(Avx512F64 a, Avx512F64 b) { return _mm512_and_pd(a.v, b.v); }
inline Avx512F64 operator|(Avx512F64 a, Avx512F64 b) { return _mm512_or_pd(a.v, b.v); }
inline Avx512F64 operator^(Avx512F64 a, Avx512F64 b) { return _mm512_xor_pd(a.v, b.v); }
inline Avx512F64 andNot(Avx512F64 a, Avx512F64 b) { return _mm512_andnot_pd(a.v, b.v); }
inline Avx512F64 roundToFloat(Avx512F64 a) { return _mm512_cvtps_pd(_mm512_cvtpd_ps(a.v)); }
inline Avx512F64 sqrt(Avx512F64 a) { return _mm512_sqrt_pd(a.v); }
inline Avx512F64 abs(Avx512F64 a) { return andNot(Avx512F64(-0.0), a); }
inline Avx512Mask8 lessThan(Avx512F64 a, Avx512F64 b) { return {_mm512_cmp_pd_mask(a.v, b.v, _CMP_LT_OQ)}; }
inline Avx512Mask8 lessEqual(Avx512F64 a, Avx512F64 b) { return {_mm512_cmp_pd_mask(a.v, b.v, _CMP_LE_OQ)}; }
inline Avx512Mask8 equal(Avx512F64 a, Avx512F64 b) { return {_mm512_cmp_pd_mask(a.v, b.v, _CMP_EQ_OQ)}; }
inline Avx512F64 select(Avx512Mask8 mask, Avx512F64 a, Avx512F64 b) { return _mm512_mask_blend_pd(mask.bits, b.v, a.v); }
inline Avx512F64 select(Avx512F64 mask, Avx512F64 a, Avx512F64 b) { return _mm512_mask_blend_pd(signMask(mask), b.v, a.v); }
inline int signBits(Avx512F64 a) { return signMask(a); }
inline Avx512F64 signToMask(Avx512F64 a) { return _mm512_castsi512_pd(_mm512_srai_epi64(_mm512_castpd_si512(a.v), 63)); }
template <int n>
inline Avx512F64 shiftBitsLeft(Avx512F64 a) { return _mm512_castsi512_pd(_mm512_slli_epi64(_mm512_castpd_si512(a.v), n)); }
template <int n>
inline Avx512F64 shiftBitsRight(Avx512F64 a) { return _mm512_castsi512_pd(_mm512_srli_epi64(_mm512_castpd_si512(a.v), n)); }
inline Avx512F64 addBits(Avx512F64 a, Avx512F64 b) { return _mm512_castsi512_pd(_mm512_add_epi64(_mm512_castpd_si512(a.v), _mm512_castpd_si512(b.v))); }

struct Avx512F32 {
    static constexpr int lanes = 16;
    __m512 v;

    Avx512F32() = default;
    Avx512F32(__m512 x) : v(x) {}
    explicit Avx512F32(float x) : v(_mm512_set1_ps(x)) {}

    static Avx512F32 load(const float* p) { return _mm512_loadu_ps(p); }
    void store(float* p) const { _mm512_storeu_ps(p, v); }
    static Avx512F32 fromBits(uint32_t bits) { return _mm512_castsi512_ps(_mm512_set1_epi32(static_cast<int>(bits))); }
    Avx512F64 lowerDoubles() const { return _mm512_cvtps_pd(_mm512_castps512_ps256(v)); }
    Avx512F64 upperDoubles() const { return _mm512_cvtps_pd(_mm512_extractf32x8_ps(v, 1)); }
    static Avx512F32 fromDoubles(Avx512F64 lower, Avx512F64 upper)
    {
        return _mm512_insertf32x8(_mm512_castps256_ps512(_mm512_cvtpd_ps(lower.v)), _mm512_cvtpd_ps(upper.v), 1);
    }
};

struct Avx512Mask16 {
    __mmask16 bits;
};

inline __mmask16 signMask(Avx512F32 a) { return _mm512_movepi32_mask(_mm512_castps_si512(a.v)); }
inline Avx512Mask16 operator&(Avx512Mask16 a, Avx512Mask16 b) { return {static_cast<__mmask16>(a.bits & b.bits)}; }
inline Avx512Mask16 operator|(Avx512Mask16 a, Avx512Mask16 b) { return {static_cast<__mmask16>(a.bits | b.bits)}; }
inline Avx512Mask16 andNot(Avx512Mask16 a, Avx512Mask16 b) { return {static_cast<__mmask16>(~a.bits & b.bits)}; }
inline int signBits(Avx512Mask16 a) { return a.bits; }

inline Avx512F32 operator+(Avx512F32 a, Avx512F32 b) { return _mm512_add_ps(a.v, b.v); }
inline Avx512F32 operator-(Avx512F32 a, Avx512F32 b) { return _mm512_sub_ps(a.v, b.v); }
inline Avx512F32 operator*(Avx512F32 a, Avx512F32 b) { return _mm512_mul_ps(a.v, b.v); }
inline Avx512F32 operator/(Avx512F32 a, Avx512F32 b) { return _mm512_div_ps(a.v, b.v); }
inline Avx512F32 operator&(Avx512F32 a, Avx512F32 b) { return _mm512_and_ps(a.v, b.v); }
inline Avx512F32 operator|(Avx512F32 a, Avx512F32 b) { return _mm512_or_ps(a.v, b.v); }
inline Avx512F32 operator^(Avx512F32 a, Avx512F32 b) { return _mm512_xor_ps(a.v, b.v); }
inline Avx512F32 andNot(Avx512F32 a, Avx512F32 b) { return _mm512_andnot_ps(a.v, b.v); }
inline Avx512F32 abs(Avx512F32 a) { return andNot(Avx512F32(-0.0f), a); }
inline Avx512Mask16 lessThan(Avx512F32 a, Avx512F32 b) { return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_LT_OQ)}; }
inline Avx512Mask16 lessEqual(Avx512F32 a, Avx512F32 b) { return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_LE_OQ)}; }
inline Avx512Mask16 equal(Avx512F32 a, Avx512F32 b) { return {_mm512_cmp_ps_mask(a.v, b.v, _CMP_EQ_OQ)}; }
inline Avx512F32 select(Avx512Mask16 mask, Avx512F32 a, Avx512F32 b) { return _mm512_mask_blend_ps(mask.bits, b.v, a.v); }
inline int signBits(Avx512F32 a) { return signMask(a); }

struct Avx512 {
    using F64 = Avx512F64;
    using F32 = Avx512F32;
    // The recursions gain nothing from wider lanes.
    using ToneLanes = Avx2F64;
    static constexpr const char* name = "avx512";
};

} // namespace vf::simd
