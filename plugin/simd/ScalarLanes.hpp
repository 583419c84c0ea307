#pragma once

// One-lane stand-ins for the vector lane types, so that a kernel template instantiated
// with them is the plain scalar code the vector paths must match bit for bit.  Used by
// the scalar reference engine and the tests.

#include <bit>
#include <cmath>
#include <cstdint>

namespace vf::simd {

struct ScalarF64 {
    static constexpr int lanes = 1;
    double v;

    ScalarF64() = default;
    explicit ScalarF64(double x) : v(x) {}

    static ScalarF64 load(const double* p) { return ScalarF64(*p); }
    void store(double* p) const { *p = v; }
    static ScalarF64 fromBits(uint64_t bits) { return ScalarF64(std::bit_cast<double>(bits)); }
    static ScalarF64 fromFloats(const float* p) { return ScalarF64(static_cast<double>(*p)); }
    void storeFloats(float* p) const { *p = static_cast<float>(v); }
    uint64_t bits() const { return std::bit_cast<uint64_t>(v); }


    static ScalarF64 mask(bool b) { return fromBits(b ? ~uint64_t{0} : 0); }
};

inline ScalarF64 operator+(ScalarF64 a, ScalarF64 b) { return ScalarF64(a.v + b.v); }
inline ScalarF64 operator-(ScalarF64 a, ScalarF64 b) { return ScalarF64(a.v - b.v); }
inline ScalarF64 operator*(ScalarF64 a, ScalarF64 b) { return ScalarF64(a.v * b.v); }
inline ScalarF64 operator/(ScalarF64 a, ScalarF64 b) { return ScalarF64(a.v / b.v); }
inline ScalarF64 operator&(ScalarF64 a, ScalarF64 b) { return ScalarF64::fromBits(a.bits() & b.bits()); }
inline ScalarF64 operator|(ScalarF64 a, ScalarF64 b) { return ScalarF64::fromBits(a.bits() | b.bits()); }
inline ScalarF64 operator^(ScalarF64 a, ScalarF64 b) { return ScalarF64::fromBits(a.bits() ^ b.bits()); }
inline ScalarF64 andNot(ScalarF64 a, ScalarF64 b) { return ScalarF64::fromBits(~a.bits() & b.bits()); }
inline ScalarF64 roundToFloat(ScalarF64 a) { return ScalarF64(static_cast<double>(static_cast<float>(a.v))); }
inline ScalarF64 sqrt(ScalarF64 a) { return ScalarF64(std::sqrt(a.v)); }
inline ScalarF64 abs(ScalarF64 a) { return ScalarF64(std::fabs(a.v)); }
inline ScalarF64 lessThan(ScalarF64 a, ScalarF64 b) { return ScalarF64::mask(a.v < b.v); }
inline ScalarF64 lessEqual(ScalarF64 a, ScalarF64 b) { return ScalarF64::mask(a.v <= b.v); }
inline ScalarF64 equal(ScalarF64 a, ScalarF64 b) { return ScalarF64::mask(a.v == b.v); }
inline ScalarF64 select(ScalarF64 m, ScalarF64 a, ScalarF64 b) { return (m & a) | andNot(m, b); }
inline int signBits(ScalarF64 a) { return static_cast<int>(a.bits() >> 63); }
inline ScalarF64 signToMask(ScalarF64 a) { return ScalarF64::mask((a.bits() >> 63) != 0); }
template <int n>
inline ScalarF64 shiftBitsLeft(ScalarF64 a) { return ScalarF64::fromBits(a.bits() << n); }
template <int n>
inline ScalarF64 shiftBitsRight(ScalarF64 a) { return ScalarF64::fromBits(a.bits() >> n); }
inline ScalarF64 addBits(ScalarF64 a, ScalarF64 b) { return ScalarF64::fromBits(a.bits() + b.bits()); }
inline ScalarF64 subtractBits(ScalarF64 a, ScalarF64 b) { return ScalarF64::fromBits(a.bits() - b.bits()); }

struct ScalarF32 {
    static constexpr int lanes = 1;
    float v;

    ScalarF32() = default;
    explicit ScalarF32(float x) : v(x) {}

    static ScalarF32 load(const float* p) { return ScalarF32(*p); }
    void store(float* p) const { *p = v; }
    static ScalarF32 fromBits(uint32_t bits) { return ScalarF32(std::bit_cast<float>(bits)); }
    uint32_t bits() const { return std::bit_cast<uint32_t>(v); }


    static ScalarF32 mask(bool b) { return fromBits(b ? ~uint32_t{0} : 0); }
};

inline ScalarF32 operator+(ScalarF32 a, ScalarF32 b) { return ScalarF32(a.v + b.v); }
inline ScalarF32 operator-(ScalarF32 a, ScalarF32 b) { return ScalarF32(a.v - b.v); }
inline ScalarF32 operator*(ScalarF32 a, ScalarF32 b) { return ScalarF32(a.v * b.v); }
inline ScalarF32 operator/(ScalarF32 a, ScalarF32 b) { return ScalarF32(a.v / b.v); }
inline ScalarF32 operator&(ScalarF32 a, ScalarF32 b) { return ScalarF32::fromBits(a.bits() & b.bits()); }
inline ScalarF32 operator|(ScalarF32 a, ScalarF32 b) { return ScalarF32::fromBits(a.bits() | b.bits()); }
inline ScalarF32 operator^(ScalarF32 a, ScalarF32 b) { return ScalarF32::fromBits(a.bits() ^ b.bits()); }
inline ScalarF32 andNot(ScalarF32 a, ScalarF32 b) { return ScalarF32::fromBits(~a.bits() & b.bits()); }
inline ScalarF32 abs(ScalarF32 a) { return ScalarF32(std::fabs(a.v)); }
inline ScalarF32 lessThan(ScalarF32 a, ScalarF32 b) { return ScalarF32::mask(a.v < b.v); }
inline ScalarF32 lessEqual(ScalarF32 a, ScalarF32 b) { return ScalarF32::mask(a.v <= b.v); }
inline ScalarF32 equal(ScalarF32 a, ScalarF32 b) { return ScalarF32::mask(a.v == b.v); }
inline ScalarF32 select(ScalarF32 m, ScalarF32 a, ScalarF32 b) { return (m & a) | andNot(m, b); }
inline int signBits(ScalarF32 a) { return static_cast<int>(a.bits() >> 31); }

struct Scalar {
    using F64 = ScalarF64;
    using F32 = ScalarF32;
    static constexpr const char* name = "scalar";
};

} // namespace vf::simd
