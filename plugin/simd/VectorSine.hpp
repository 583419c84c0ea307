#pragma once

// Double-precision sine over lane types (ScalarLanes, Sse2Lanes, Avx2Lanes, Avx512Lanes).
//
// The argument is reduced by a multiple k of pi/2 with a three-part pi/2 whose first two
// parts have short mantissas, so that k * part is exact and the reduced argument comes out
// as an unevaluated sum hi + lo good to far more than 53 bits.  Minimax polynomials for sine
// and cosine on [-pi/4, pi/4] (relative error below 2^-57) finish the job.  The result is
// within 1 ulp of the true sine (0.78 ulp at worst among sampled floats in [-8, 8]) and its last
// bit differs from the correctly rounded one for a few percent of ordinary arguments.
// Every step is a plain IEEE multiply or add in a fixed order, so every lane type yields
// the same bits.
//
// Header-only templates on purpose: the vector kernels include this under different target
// options, and a non-template inline function would be one symbol compiled two ways.

#include <cmath>
#include <cstdint>

namespace vf::simd {

// The lanes flagged in laneBits (bit i for lane i) of result replaced by std::sin of x's.
// Kept out of line so that the common path stays small enough to inline.
template <class D>
[[gnu::noinline, gnu::cold]] D sineOfLanesByLibrary(D x, D result, int laneBits)
{
    alignas(64) double in[D::lanes];
    alignas(64) double out[D::lanes];
    x.store(in);
    result.store(out);
    for (int i = 0; i < D::lanes; ++i) {
        if ((laneBits >> i) & 1)
            out[i] = std::sin(in[i]);
    }
    return D::load(out);
}

// Sine of every lane.  Lanes with |x| > 64, infinities and NaN are handed to std::sin one
// by one; that costs a store, a loop and a reload only when such a lane is present.
template <class D>
[[gnu::always_inline]] inline D sineOf(D x)
{
    // pi/2 = pio2First - minusPio2Second + pio2Third to ~2^-150.  The first two parts carry
    // at most 46 significant bits, so their products with k < 2^6 (|x| <= 64) are exact.
    const D pio2First(0x1.921fb54442dp+0);
    const D minusPio2Second(-0x1.8469898cc518p-48);
    const D pio2Third(-0x1.fc8f8cbb5bf6cp-97);
    const D twoOverPi(0x1.45f306dc9c883p-1);
    // The largest double whose product with twoOverPi rounds to no more than 1/2.
    const D noReduction(0x1.921fb54442d18p-1);
    // Adding 1.5 * 2^52 leaves the nearest integer in the low mantissa bits.
    const D roundingShift(0x1.8p52);
    const D largestReduced(64.0);
    const D signBit(-0.0);
    const D half(0.5);
    const D one(1.0);

    // sin r = r + r^3 * S(r^2)
    const D s1(-0x1.5555555555548p-3);
    const D s2(0x1.111111110f7d0p-7);
    const D s3(-0x1.a01a019bfdf03p-13);
    const D s4(0x1.71de3567d488dp-19);
    const D s5(-0x1.ae5e5a9290ef0p-26);
    const D s6(0x1.5d8fd1fccc7e6p-33);
    // cos r = 1 - r^2/2 + r^4 * C(r^2)
    const D c1(0x1.5555555555553p-5);
    const D c2(-0x1.6c16c16c16134p-10);
    const D c3(0x1.a01a019e24efcp-16);
    const D c4(-0x1.27e4f9040bb7fp-22);
    const D c5(0x1.1eea895d2f312p-29);
    const D c6(-0x1.8ff9dcba2ca54p-37);

    // Work on |x| (sine is odd) so that k >= 0 and -0.0 keeps its sign.
    const D ax = abs(x);
    const D signOfX = x & signBit;

    // Registers whose lanes all have k = 0 (ax * twoOverPi rounds to at most 1/2, which is
    // exactly ax <= noReduction; NaN compares false) skip the reduction.  Its terms are then
    // exact zeros that change nothing: shifted is roundingShift itself (a tie at 1/2 goes to
    // its even last bit), k = +0, r1 = ax - (+0) = ax, minusP2 = +0 * negative = -0,
    // hi = ax + -0 = ax (also for ax = +0), hi - r1 = +0, k * pio2Third = -0 and
    // lo = (-0 - +0) - -0 = +0; quadrant 0 picks the sine and leaves only the sign of x.
    // So the sine below with hi = ax and lo = +0, then ^ signOfX, has the bits of the full
    // path, -0 and tiny x included.  And with lo = +0 its hi - ((z (half lo - v R) - lo) - v s1)
    // is ax + (z (v R) + v s1): rounding to nearest is symmetric, so the negations only flip
    // signs, and where a term or the sum is zero the sign of that zero cannot reach the
    // result, as ax >= +0 and ax - (+-0) = ax + (-+0) = ax (+0 for ax = +0).
    constexpr int allLanes = (1 << D::lanes) - 1;
    if (signBits(lessEqual(ax, noReduction)) == allLanes) {
        const D z = ax * ax;
        const D z2 = z * z;
        const D sinRest = (s2 + z * s3) + z2 * ((s4 + z * s5) + z2 * s6);
        const D v = z * ax;
        return (ax + (z * (v * sinRest) + v * s1)) ^ signOfX;
    }

    const D shifted = ax * twoOverPi + roundingShift;
    const D k = shifted - roundingShift;

    // hi + lo = ax - k * pi/2, good to ~2^-140 absolute, with |lo| barely above half an ulp
    // of hi (which is all the polynomials below need).  ax - k * pio2First is exact (both are
    // multiples of 2^-53 and the difference is below 1), and so is the fast two-sum with
    // -k * pio2Second: either r1 is the larger, or both are below 2^-41 and on the 2^-93 grid
    // that the exact sum fits in.
    const D r1 = ax - k * pio2First;
    const D minusP2 = k * minusPio2Second;
    const D hi = r1 + minusP2;
    const D lo = (minusP2 - (hi - r1)) - k * pio2Third;

    const D z = hi * hi;
    const D z2 = z * z;

    // Both polynomials in Estrin's form: a shorter chain of dependent operations than
    // Horner's, so that more lanes are in flight at once.

    // Quadrant k mod 4: bit 0 picks the cosine, bit 1 negates; then the sign of x.
    const D useCosine = signToMask(shiftBitsLeft<63>(shifted));
    const D negate = (shiftBitsLeft<62>(shifted) & signBit) ^ signOfX;
    const int cosineLanes = signBits(useCosine);

    // sin(hi + lo) ~ hi + hi^3 S(z) + lo (1 - z/2)
    auto sine = [&] {
        const D sinRest = (s2 + z * s3) + z2 * ((s4 + z * s5) + z2 * s6);
        const D v = z * hi;
        return hi - ((z * (half * lo - v * sinRest) - lo) - v * s1);
    };
    // cos(hi + lo) ~ 1 - z/2 + z^2 C(z) - hi lo, with the rounding error of 1 - z/2 fed back.
    auto cosine = [&] {
        const D cosRest = z * ((c1 + z * c2) + z2 * ((c3 + z * c4) + z2 * (c5 + z * c6)));
        const D halfZ = half * z;
        const D w = one - halfZ;
        return w + (((one - w) - halfZ) + (z * cosRest - hi * lo));
    };
    // Small arguments need only the sine polynomial; evaluating just the one every lane
    // needs gives the same bits as evaluating both and choosing.
    D result;
    if (cosineLanes == 0)
        result = sine() ^ negate;
    else if (cosineLanes == allLanes)
        result = cosine() ^ negate;
    else
        result = select(useCosine, cosine(), sine()) ^ negate;

    const int reduced = signBits(lessEqual(ax, largestReduced)); // NaN compares false
    if (reduced != allLanes) [[unlikely]]
        result = sineOfLanesByLibrary(x, result, reduced ^ allLanes);
    return result;
}

} // namespace vf::simd
