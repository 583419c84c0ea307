#pragma once

// Arc sine over lane types (ScalarLanes, Sse2Lanes, Avx2Lanes, Avx512Lanes) for the tone
// stage's output, which is a float y in [-1, 1] whose arc sine is wanted rounded to float.
//
// A double arc sine with a known error bound is rounded to float; where that double lies
// so close to a point halfway between two floats that the bound (plus the library's own
// last-bit error) could put the true value on the other side, the lane is recomputed with
// std::asin.  The result is therefore (double)(float)std::asin(y) for every float y.  The
// double only has to be good to about 2^-40, far short of double precision: a short
// polynomial, paid for with a library call for about one lane in 16000.
//
// Header-only templates on purpose: the vector kernels include this under different target
// options, and a non-template inline function would be one symbol compiled two ways.

#include <cmath>
#include <cstdint>

namespace vf::simd {

// P(z) with asin x ~ x + x z P(z), z = x^2, for z in [0, 1/4]: a minimax of degree 7 for
// the relative error of the arc sine in whichever of arcSineDouble's two uses it is larger
// (2^-39.6 before the coefficients were rounded to double).
template <class D>
[[gnu::always_inline]] inline D arcSinePolynomial(D z)
{
    const D p0(0x1.55555544f4c70p-3);
    const D p1(0x1.33334302d9a69p-4);
    const D p2(0x1.6db1a7f04f2c3p-5);
    const D p3(0x1.f299cca3f625fp-6);
    const D p4(0x1.65689389086b7p-6);
    const D p5(0x1.566c16373302ap-6);
    const D p6(0x1.5d73af456d027p-10);
    const D p7(0x1.130dd47b5ab50p-5);

    // Estrin's form: the chain of dependent operations is half as long as Horner's.
    const D z2 = z * z;
    const D z4 = z2 * z2;
    return ((p0 + z * p1) + z2 * (p2 + z * p3)) + z4 * ((p4 + z * p5) + z2 * (p6 + z * p7));
}

// Arc sine of lanes in [-1, 1] in double precision, at most 10708 ulps from the true value
// (measured against a long double arc sine over every float in [0, 1]; negative lanes
// mirror positive ones exactly).
// Lanes outside [-1, 1] and NaN give NaN (the square root below sees a negative number or
// the NaN itself), which arcSineForRounding relies on.
//
// |y| <= 1/2:  asin y = y + y z P(z), z = y^2.
// |y| >  1/2:  asin y = pi/2 - 2 asin x, x = sqrt(z), z = (1 - |y|)/2 (exact), so that both
// halves share one polynomial on z in [0, 1/4] and one evaluation per lane.
//
// Registers wholly below 1/2 (many of them in quiet passages of a signal, whose
// neighbouring samples are close) skip the other side's work, the square root above all.
// (A third path for registers wholly above 1/2 saved less than its branch cost where the
// channels share registers.)  Every lane goes through the same operations on either path,
// so its value does not depend on its neighbours.
template <class D>
[[gnu::always_inline]] inline D arcSineDouble(D y)
{
    const D pio2High(0x1.921fb54442d18p+0);
    const D pio2Low(0x1.1a62633145c07p-54);
    const D half(0.5);
    const D one(1.0);
    const D two(2.0);
    const D signBit(-0.0);

    // Below 1/2, y itself gives the bits of |y| with the sign of y put back: rounding to
    // nearest is symmetric, and -0 gives -0 + -0 = -0.
    const D a = abs(y);
    const D yy = y * y;
    const auto upper = lessThan(half, a);
    if (signBits(upper) == 0)
        return y + y * (yy * arcSinePolynomial(yy));
    const D z = select(upper, (one - a) * half, yy);
    const D x = select(upper, sqrt(z), a);
    const D q = x + x * (z * arcSinePolynomial(z));
    return select(upper, pio2High - (two * q - pio2Low), q) ^ (y & signBit);
}

// Bit i set where lane i of the double arc sine c (from arcSineDouble) lies so close to a
// point halfway between two floats that rounding it could differ from rounding the true
// value or the library's: within 2^14 = 16384 ulps, which covers the approximation's 10708
// and the library's 1 with half again to spare.  NaN lanes give arbitrary answers.
template <class D>
[[gnu::always_inline]] inline int arcSineNearFloatTie(D c)
{
    // A float halfway point has the lowest 29 mantissa bits m = 2^28.  Adding 2^28 + band
    // to the pattern (carries out of the low 29 bits are masked off) maps the band around
    // it onto m' = 0 .. 2 band; put under the exponent of 1.0, m' reads 1 + m' 2^-52, so
    // one comparison tells.
    constexpr uint64_t band = uint64_t{1} << 14;
    const D offset = D::fromBits((uint64_t{1} << 28) + band);
    const D mantissaLow29 = D::fromBits((uint64_t{1} << 29) - 1);
    const D exponentOfOne = D::fromBits(0x3ff0000000000000u);
    const D bandTop(1.0 + static_cast<double>(2 * band) * 0x1p-52);

    const D lowBits = (addBits(c, offset) & mantissaLow29) | exponentOfOne;
    return signBits(lessEqual(lowBits, bandTop));
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

// For lanes holding float values, a double that rounds to (float)std::asin(y): the
// approximation where its rounding is safe, the library's result (already a float) where
// not.  For callers that narrow to float anyway; arcSineRoundedToFloat rounds it itself.
template <class D>
[[gnu::always_inline]] inline D arcSineForRounding(D y)
{
    constexpr int allLanes = (1 << D::lanes) - 1;

    D c = arcSineDouble(y);
    // Lanes that are a number (c <= c) and not near a tie keep the approximation.
    const int settled = signBits(lessEqual(c, c)) & ~arcSineNearFloatTie(c);
    if (settled != allLanes) [[unlikely]]
        c = arcSineOfLanesByLibrary(y, c, settled ^ allLanes);
    return c;
}

// (double)(float)std::asin(y) for lanes holding float values; exact for every float,
// including +-0, +-1, |y| > 1 and NaN (the last two through std::asin, as the double
// approximation is NaN there), and in either state of flush-to-zero.
template <class D>
[[gnu::always_inline]] inline D arcSineRoundedToFloat(D y)
{
    return roundToFloat(arcSineForRounding(y));
}

} // namespace vf::simd
