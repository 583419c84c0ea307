#include "plugin/UpsamplingNx.hpp"

#include <cmath>
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

void UpsamplingNx::processBuffer(const float* input, float* output, int frames, int factor, bool hold,
                                 double sampleRate)
{
    if (factor != currentFactor) {
        initialize(factor, sampleRate);
        currentFactor = factor;
    }
    if (frames <= 0)
        return;
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
