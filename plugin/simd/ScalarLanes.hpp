#pragma once

// A one-lane stand-in for the vector double lanes, so that a maths template instantiated
// with it is the plain scalar code the vector paths must match bit for bit.  Used by the
// engine's scalar sine (which the reference engine can take) and the tests.

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

} // namespace vf::simd
