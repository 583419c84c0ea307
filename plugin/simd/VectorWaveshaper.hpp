#pragma once

// The tube stage over whole registers: the sine every sample enters it through, the
// cubic waveshaper of both bands, the limiter just below full scale and the arc sine.
// Templates over an instruction-set tag: include after the translation unit's target
// switch.

#include "plugin/KneeLimit.hpp"
#include "plugin/simd/HighRatePath.hpp"
#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"

namespace vf::simd {

// The sine every sample enters the tube stage through, over whole registers.
template <class Isa>
void sines(const float* stream, double* out, int values)
{
    using F32 = typename Isa::F32;
    using F64 = typename Isa::F64;
    for (int k = 0; k < values; k += F32::lanes) {
        const F32 x = F32::load(stream + k);
        sineOf(x.lowerDoubles()).store(out + k);
        sineOf(x.upperDoubles()).store(out + k + F64::lanes);
    }
}

// The correctly rounded q / 3.  Instruction sets with fused multiply-add specialise it
// with a cheaper exact method; its `inRange` form leaves out the range check for callers
// that know q is zero or within [2^-90, 2^100].
template <class Isa>
struct DivideByThree {
    [[gnu::always_inline]] static typename Isa::F32 of(typename Isa::F32 q) { return q / typename Isa::F32(3.0f); }
    [[gnu::always_inline]] static typename Isa::F32 inRange(typename Isa::F32 q) { return of(q); }
};

// One cubic step T(x) = (1 - x^2/3) * (x * 3 * 0.5).  For a `tame` x (zero, or 2^-40 <= |x|
// <= 2) the product x * 3 * 0.5 is exactly x * 1.5 (halving is exact there), and x^2 lies
// in the division's range.
template <class Isa, bool tame>
[[gnu::always_inline]] inline typename Isa::F32 cubicStep(typename Isa::F32 x)
{
    using F32 = typename Isa::F32;
    if constexpr (tame)
        return (F32(1.0f) - DivideByThree<Isa>::inRange(x * x)) * (x * F32(1.5f));
    const F32 a = x * F32(3.0f) * F32(0.5f);
    const F32 b = DivideByThree<Isa>::of(x * x);
    return (F32(1.0f) - b) * a;
}

template <class Isa, bool tame>
[[gnu::always_inline]] inline typename Isa::F32 shapeSteps(const MorphWeights& w, typename Isa::F32 x)
{
    using F32 = typename Isa::F32;
    const F32 s3 = cubicStep<Isa, tame>(cubicStep<Isa, tame>(cubicStep<Isa, tame>(x)));
    if (w.newWeight == 0.0f && w.oldWeight == 1.0f) {
        // No cross-fade (morph 0): T(s) * 0 + 1 * s is s itself, signed zeros included,
        // as long as T(s) is finite, which it is for |s| up to 2^40.
        const F32 s = w.fiveSteps ? cubicStep<Isa, tame>(s3) : s3;
        if (tame || signBits(lessEqual(abs(s), F32(0x1p40f))) == (1 << F32::lanes) - 1)
            return s;
    }
    if (!w.fiveSteps)
        return cubicStep<Isa, tame>(s3) * F32(w.newWeight) + F32(w.oldWeight) * s3;
    const F32 s4 = cubicStep<Isa, tame>(s3);
    return cubicStep<Isa, tame>(s4) * F32(w.newWeight) + F32(w.oldWeight) * s4;
}

// T maps a tame value to a tame value: [-2, 2] into [-1, 1]; small values grow by about
// 1.5; and where 1 - x^2/3 nearly cancels (x near sqrt 3) it is zero or at least 2^-24, so
// the result is zero or well above 2^-40.  One check of the input therefore covers every
// step of the band.
template <class Isa>
[[gnu::always_inline]] inline typename Isa::F32 shape(const MorphWeights& w, typename Isa::F32 x)
{
    using F32 = typename Isa::F32;
    const F32 m = abs(x);
    const auto tame = lessEqual(m, F32(2.0f)) & (equal(x, F32(0.0f)) | lessEqual(F32(0x1p-40f), m));
    if (signBits(tame) == (1 << F32::lanes) - 1)
        return shapeSteps<Isa, true>(w, x);
    return shapeSteps<Isa, false>(w, x);
}

// Both bands shaped and summed, the sum limited just below full scale, and the arc sine.
// The limiter's hyperbolic tangent is exactly 1 in float from this argument on, which
// covers all but a thin band above the knee; lanes in that band take the scalar limiter.
template <class Isa>
void shapeAndLeave(const HighRateSettings& settings, const float* high, const float* low, float* out, int values)
{
    using F32 = typename Isa::F32;
    constexpr float threshold = 0.999f;
    constexpr float width = 1.0f - threshold;
    const F32 tanhIsOne(9.1f);
    const F32 saturatedHigh(threshold + width);
    const F32 saturatedLow(-threshold - width);
    // Copies: the stores below could alias the settings, which would make the compiler
    // reload the weights for every register.
    const MorphWeights lowBand = settings.lowBand, highBand = settings.highBand;
    for (int k = 0; k < values; k += F32::lanes) {
        const F32 lowShaped = shape<Isa>(lowBand, F32::load(low + k));
        const F32 highShaped = shape<Isa>(highBand, F32::load(high + k));
        F32 y = highShaped + lowShaped;
        const F32 magnitude = abs(y);
        const auto inKnee = lessEqual(F32(threshold), magnitude);
        if (signBits(inKnee)) {
            const F32 argument = (magnitude - F32(threshold)) / F32(width);
            const auto saturated = inKnee & lessEqual(tanhIsOne, argument);
            y = select(saturated, select(lessThan(F32(0.0f), y), saturatedHigh, saturatedLow), y);
            if (int rest = signBits(andNot(saturated, inKnee))) {
                alignas(64) float lanes[F32::lanes];
                y.store(lanes);
                for (int l = 0; l < F32::lanes; ++l)
                    if (rest & (1 << l))
                        lanes[l] = kneeLimit(lanes[l], threshold);
                y = F32::load(lanes);
            }
        }
        y.store(out + k);
    }
    // The arc sine in a second pass: two shorter chains of dependent operations than one
    // long one, so that more registers' worth of work fits in flight at once.
    for (int k = 0; k < values; k += F32::lanes) {
        const F32 y = F32::load(out + k);
        F32::fromDoubles(arcSineForRounding(y.lowerDoubles()), arcSineForRounding(y.upperDoubles())).store(out + k);
    }
}

} // namespace vf::simd
