#include "plugin/TubeWaveshaper.hpp"

#include <algorithm>
#include <cmath>

namespace vf {

float cubicTubeStep(float x)
{
    const float a = x * 3.0f * 0.5f;
    const float b = x * x / 3.0f;
    return (1.0f - b) * a;
}

MorphWeights MorphWeights::of(float morph)
{
    float t;
    if (morph <= 0.5f) {
        const float d = 2.0f * morph;
        t = std::min(1.0f, d * d);
    } else if (morph > 0.5f) {
        const float d = 2.0f * (morph - 0.5f);
        t = std::min(1.0f, d * d);
    } else {
        return {false, morph, morph}; // NaN
    }

    const float p = t * (1.0f - t);
    // The bump that lifts both weights mid-way is evaluated in double.
    const float f = static_cast<float>((1.4186 * static_cast<double>(p) + 1.0) * static_cast<double>(p));
    MorphWeights w;
    w.fiveSteps = morph > 0.5f;
    w.oldWeight = (1.0f - t + f) * (1.0f - t + f);
    w.newWeight = (t + f) * (t + f);
    return w;
}

float cleanvacuumtubemorphing_optimised(float morph, float x)
{
    if (std::isnan(morph))
        return morph;
    const MorphWeights w = MorphWeights::of(morph);
    const float s3 = cubicTubeStep(cubicTubeStep(cubicTubeStep(x)));
    if (!w.fiveSteps)
        return cubicTubeStep(s3) * w.newWeight + w.oldWeight * s3;
    const float s4 = cubicTubeStep(s3);
    return cubicTubeStep(s4) * w.newWeight + w.oldWeight * s4;
}

} // namespace vf
