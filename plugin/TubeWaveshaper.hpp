#pragma once

namespace vf {

// The cubic tube curve T(x) = (1 - x^2/3) * 1.5x in single precision: maps [-1, 1] onto
// itself (up to one rounding at the ends) with slope 1.5 at zero.  Any thread; pure.
float cubicTubeStep(float x);

// Morphing tube waveshaper: morph 0 applies the cubic curve three times, 0.5 four times and
// 1 five times; in between, the two neighbouring depths are cross-faded with weights that
// sum to more than one.  NaN morph gives NaN.  Any thread; pure.
float cleanvacuumtubemorphing_optimised(float morph, float x);

// The cross-fade the waveshaper applies for one morph amount: the result is
// T(s) * newWeight + oldWeight * s, where s is three (or, above one half, four) cubic
// steps of x.  NaN morph gives NaN weights.  Any thread; pure.
struct MorphWeights {
    bool fiveSteps = false;
    float newWeight = 0.0f;
    float oldWeight = 0.0f;

    static MorphWeights of(float morph);
};

} // namespace vf
