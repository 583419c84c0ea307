#pragma once

#include "plugin/BiquadCoefficients.hpp"
#include "plugin/BiquadDelay.hpp"

#include <cstdint>

namespace vf {

// Converts one channel up by 1, 2, 4, 8 or 16: each input sample is followed by factor - 1
// zeros (or copies when holding), then two low-pass sections designed at half the host
// rate, which pass the stream through unchanged.  Non-finite input samples enter as
// silence so that they cannot poison the states downstream.
// Audio thread: no allocation, no locks.
class UpsamplingNx {
public:
    void initialize(int factor, double sampleRate);

    // Reads `frames` samples, writes frames * factor samples.  Sets itself up whenever
    // `factor` changes.  An unsupported factor is a programming error and aborts.
    void processBuffer(const float* input, float* output, int frames, int factor, bool hold, double sampleRate);

private:
    bool passesThroughExactly() const;

    int32_t currentFactor = 0;
    BiquadDelay stage1;
    BiquadDelay stage2;
    BiquadCoefficients coefficients;
};

} // namespace vf
