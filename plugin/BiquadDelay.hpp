#pragma once

#include "plugin/BiquadCoefficients.hpp"

namespace vf {

// State of one direct-form-I section: the two previous inputs and outputs, in double.
// Audio thread: no allocation, no locks.
struct BiquadDelay {
    double x1 = 0.0;
    double x2 = 0.0;
    double y1 = 0.0;
    double y2 = 0.0;

    void clear() { *this = BiquadDelay(); }

    // Filters `count` samples of `input` into `output` (they may be the same buffer).
    void process(const BiquadCoefficients& c, const float* input, float* output, int count);
    void process(const BiquadCoefficients& c, float* buffer, int count) { process(c, buffer, buffer, count); }
};

} // namespace vf
