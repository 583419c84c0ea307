#pragma once

// Arc sine over lane types (ScalarLanes, Sse2Lanes, Avx2Lanes) for the tone stage's output,
// which is a float y in [-1, 1] whose arc sine is wanted rounded to float.
//
// A double arc sine with a known error bound is rounded to float; where that double lies
// so close to a point halfway between two floats that the bound (plus the library's own
// last-bit error) could put the true value on the other side, the lane is recomputed with
// std::asin.  The result is therefore (double)(float)std::asin(y) for every float y, at
// the cost of a library call for one or two lanes in a million.
//
// Header-only templates on purpose: the vector kernels include this under different target
// options, and a non-template inline function would be one symbol compiled two ways.

#include <cmath>
#include <cstdint>

namespace vf::simd {

// Arc sine of lanes in [-1, 1] in double precision, at most 80 ulps from the true value
// (typically a few).  Lanes outside [-1, 1] or NaN give meaningless values; no fallback.
//
// |y| <= 1/2:  asin y = y + y z P(z), z = y^2.
// |y| >  1/2:  asin y = pi/2 - 2 asin x, x = sqrt(z), z = (1 - |y|)/2 (exact), so that both
// halves share one polynomial on z in [0, 1/4] and one evaluation per lane.
template <class D>
[[gnu::always_inline]] inline D arcSineDouble(D y)
{
    // Minimax for P on [0, 1/4], weighted by z: relative error of asin below 2^-47.9.
    const D p0(0x1.55555555413c3p-3);
    const D p1(0x1.3333335111f8ep-4);
    const D p2(0x1.6db6cc14fc2abp-5);
    const D p3(0x1.f1cb00f3e44a9p-6);
    const D p4(0x1.6e435cd38a0d7p-6);
    const D p5(0x1.1f869414a0520p-6);
    const D p6(0x1.9b450ad20a712p-7);
    const D p7(0x1.25d39523a5f23p-6);
    const D p8(-0x1.e14b9ce2454e8p-8);
    const D p9(0x1.02601b7b3f9a0p-5);
    const D pio2High(0x1.921fb54442d18p+0);
    const D pio2Low(0x1.1a62633145c07p-54);
    const D half(0.5);
    const D one(1.0);
    const D two(2.0);
    const D signBit(-0.0);

    const D a = abs(y);
    const auto upper = lessThan(half, a);
    const D z = select(upper, (one - a) * half, a * a);
    const D x = select(upper, sqrt(z), a);

    // Estrin's form: the chain of dependent operations is half as long as Horner's.
    const D z2 = z * z;
    const D z4 = z2 * z2;
    const D z8 = z4 * z4;
    const D poly = ((p0 + z * p1) + z2 * (p2 + z * p3)) + z4 * ((p4 + z * p5) + z2 * (p6 + z * p7))
        + z8 * (p8 + z * p9);
    const D q = x + x * (z * poly);
    const D folded = pio2High - (two * q - pio2Low);
    return select(upper, folded, q) ^ (y & signBit);
}

// All-ones lanes where the double arc sine c (from arcSineDouble) lies so close to a point
// halfway between two floats that rounding it could differ from rounding the true value or
// the library's: within 256 ulps, which covers the approximation's 80 ulps plus the
// library's 1 ulp with room to spare.
template <class D>
[[gnu::always_inline]] inline auto arcSineNearFloatTie(D c)
{
    // The lowest 29 mantissa bits m, put under the exponent of 1.0, give 1 + m 2^-52; a
    // float halfway point has m = 2^28.
    const D mantissaLow29 = D::fromBits((uint64_t{1} << 29) - 1);
    const D exponentOfOne = D::fromBits(0x3ff0000000000000u);
    const D halfwayPattern(1.0 + 0x1p-24);
    const D tolerance(0x1p-44); // 256 ulps of 1.0

    const D lowBits = (c & mantissaLow29) | exponentOfOne;
    return lessEqual(abs(lowBits - halfwayPattern), tolerance);
}

// The lanes flagged in laneBits (bit i for lane i) of result replaced by
// (double)(float)std::asin of y's.  Out of line so that the common path stays inlinable.
template <class D>
[[gnu::noinline, gnu::cold]] D arcSineOfLanesByLibrary(D y, D result, int laneBits)
{
    alignas(64) double in[D::lanes];
    alignas(64) double out[D::lanes];
    y.store(in);
    result.store(out);
    for (int i = 0; i < D::lanes; ++i) {
        if ((laneBits >> i) & 1)
            out[i] = static_cast<double>(static_cast<float>(std::asin(in[i])));
    }
    return D::load(out);
}

// (double)(float)std::asin(y) for lanes holding float values; exact for every float,
// including +-0, +-1, |y| > 1 and NaN (the last two through std::asin), and in either
// state of flush-to-zero.
template <class D>
[[gnu::always_inline]] inline D arcSineRoundedToFloat(D y)
{
    const D one(1.0);

    const D c = arcSineDouble(y);
    D result = roundToFloat(c);

    const auto inDomain = lessEqual(abs(y), one); // NaN compares false
    const int recompute = signBits(arcSineNearFloatTie(c)) | (signBits(inDomain) ^ ((1 << D::lanes) - 1));
    if (recompute != 0) [[unlikely]]
        result = arcSineOfLanesByLibrary(y, result, recompute);
    return result;
}

} // namespace vf::simd
