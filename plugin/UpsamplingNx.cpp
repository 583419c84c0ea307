#include "plugin/UpsamplingNx.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

namespace vf {

void UpsamplingNx::initialize(int factor, double sampleRate)
{
    if (factor != 1 && factor != 2 && factor != 4 && factor != 8 && factor != 16)
        std::abort();
    currentFactor = 0;
    coefficients = designLowPass(sampleRate / 2.0, sampleRate, std::numbers::sqrt2);
    stage1.clear();
    stage2.clear();
}

bool UpsamplingNx::passesThroughExactly() const
{
    auto positiveZero = [](double v) { return std::bit_cast<uint64_t>(v) == 0; };
    auto atRest = [&](const BiquadDelay& d) {
        return positiveZero(d.x1) && positiveZero(d.x2) && positiveZero(d.y1) && positiveZero(d.y2);
    };
    return coefficients.isPassThrough() && atRest(stage1) && atRest(stage2);
}

void UpsamplingNx::processBuffer(const float* input, float* output, int frames, int factor, bool hold,
                                 double sampleRate)
{
    if (factor != currentFactor) {
        initialize(factor, sampleRate);
        currentFactor = factor;
    }
    if (frames <= 0)
        return;
    if (!hold && factor >= 3 && passesThroughExactly()) {
        // Each host sample is followed by at least two zeros, so every sum a section forms
        // has a zero operand or cancels exactly: both sections return their input bit for
        // bit (a -0 sample leaves as +0) and end at rest again.  Skip their arithmetic.
        for (int i = 0; i < frames; ++i) {
            float* out = output + static_cast<long>(i) * factor;
            out[0] = (std::isfinite(input[i]) ? input[i] : 0.0f) + 0.0f;
            for (int k = 1; k < factor; ++k)
                out[k] = 0.0f;
        }
        return;
    }
    for (int i = 0; i < frames; ++i) {
        const float x = std::isfinite(input[i]) ? input[i] : 0.0f;
        float* out = output + static_cast<long>(i) * factor;
        out[0] = x;
        const float filler = hold ? x : 0.0f;
        for (int k = 1; k < factor; ++k)
            out[k] = filler;
    }
    const int n = frames * factor;
    stage1.process(coefficients, output, n);
    stage2.process(coefficients, output, n);
}

} // namespace vf
