#include "plugin/Decibels.hpp"

#include <cmath>

namespace vf {

float decibelsToLinear(float decibels)
{
    // ln(10) / 20, rounded to single precision: exp(dB * c) == 10^(dB / 20).
    const float decibelsToNeper = 0.115129255f;
    return std::exp(decibels * decibelsToNeper);
}

} // namespace vf
