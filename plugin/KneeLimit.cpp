#include "plugin/KneeLimit.hpp"

#include <cmath>

namespace vf {

float kneeLimit(float x, float threshold)
{
    const float width = 1.0f - threshold;
    const float magnitude = std::fabs(x);
    if (!(magnitude >= threshold) || x == 0.0f) // below the knee, zero or NaN
        return x;
    const float knee = width * std::tanh((magnitude - threshold) / width);
    return x > 0.0f ? threshold + knee : -threshold - knee;
}

} // namespace vf
