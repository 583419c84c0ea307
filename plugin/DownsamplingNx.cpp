#include "plugin/DownsamplingNx.hpp"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numbers>

namespace vf {

namespace {

bool isSupportedFactor(int factor)
{
    return factor == 2 || factor == 4 || factor == 8 || factor == 16;
}

} // namespace

DownsamplingNx::DownsamplingNx() = default;
DownsamplingNx::~DownsamplingNx() = default;

bool DownsamplingNx::ensureWork(long samples)
{
    if (samples <= capacity)
        return true;
    if (samples > INT_MAX)
        return false;
    float* grown = new (std::nothrow) float[static_cast<size_t>(samples)];
    if (!grown)
        return false;
    work.reset(grown);
    capacity = static_cast<int>(samples);
    return true;
}

bool DownsamplingNx::reserve(int maxFrames, int factor)
{
    if (maxFrames <= 0 || factor <= 0)
        return true;
    return ensureWork(static_cast<long>(maxFrames) * factor);
}

void DownsamplingNx::initialize(int frames, int factor, double sampleRate)
{
    if (!isSupportedFactor(factor))
        std::abort();
    currentFactor = 0;
    const double highRate = sampleRate * factor;
    coefficients = designLowPass(highRate / 2.0, highRate, std::numbers::sqrt2);
    // The buffer only grows: a buffer reserved for the largest chunk must survive a first
    // chunk that happens to be short.
    if (frames > 0)
        ensureWork(static_cast<long>(frames) * factor);
    for (BiquadDelay& s : stages)
        s.clear();
    noiseState = drawNoiseSeed();
}

uint32_t DownsamplingNx::drawNoiseSeed()
{
    // Any non-zero draw ends the loop: the negated draw is at least 2^32 - RAND_MAX.
    uint32_t state = 1;
    do {
        const int r = std::rand();
        state = 0u - static_cast<uint32_t>(r);
    } while (state < 16386u);
    return state;
}

void DownsamplingNx::processBuffer(const float* input, float* output, int frames, int factor, double sampleRate)
{
    if (factor != currentFactor) {
        initialize(frames, factor, sampleRate);
        currentFactor = factor;
    }
    if (frames <= 0)
        return;
    const long highFrames = static_cast<long>(frames) * factor;
    if (!ensureWork(highFrames)) {
        std::memset(output, 0, sizeof(float) * static_cast<size_t>(frames));
        return;
    }

    float* w = work.get();
    stages[0].process(coefficients, input, w, static_cast<int>(highFrames));
    stages[1].process(coefficients, w, static_cast<int>(highFrames));

    uint32_t s = noiseState;
    for (int j = 0; j < frames; ++j) {
        s = nextNoise(s);
        output[j] = withNoiseOffset(w[static_cast<long>(j) * factor], s);
    }
    noiseState = s;

    stages[2].process(coefficients, output, frames);
    stages[3].process(coefficients, output, frames);
}

} // namespace vf
