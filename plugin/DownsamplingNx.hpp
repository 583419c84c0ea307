#pragma once

#include "plugin/BiquadCoefficients.hpp"
#include "plugin/BiquadDelay.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>

namespace vf {

// Converts one channel down by 2, 4, 8 or 16: two low-pass sections at the high rate, every
// factor-th sample kept plus a tiny positive random offset (at most about one unit in the
// last place, so silence leaves as a faint noise floor instead of decaying into denormals),
// then two more sections at the host rate.  The sections are designed at half their rate and
// pass the stream through unchanged.
class DownsamplingNx {
public:
    DownsamplingNx();
    ~DownsamplingNx();
    DownsamplingNx(const DownsamplingNx&) = delete;
    DownsamplingNx& operator=(const DownsamplingNx&) = delete;

    // Not on the audio thread (allocates): makes the work buffer hold maxFrames * factor
    // samples so that no later call allocates.  Keeps all filter and generator state.
    // Returns false when the allocation failed (the buffer is then unchanged).
    bool reserve(int maxFrames, int factor);

    // Audio thread: takes the C library's rand() lock once to seed the offset generator, and
    // allocates only if the work buffer is smaller than frames * factor.
    void initialize(int frames, int factor, double sampleRate);

    // Audio thread: reads frames * factor samples, writes `frames`.  Sets itself up whenever
    // `factor` changes; allocates only for a chunk larger than any reserved or seen before.
    // If that allocation fails, the output is silence.  An unsupported factor aborts.
    void processBuffer(const float* input, float* output, int frames, int factor, double sampleRate);

    int workCapacity() const { return capacity; }

    // The offset generator's first state: C library rand() draws, negated, until large.
    // Takes the C library's rand() lock.
    static uint32_t drawNoiseSeed();

    // One step of the offset generator (32-bit xorshift).
    static uint32_t nextNoise(uint32_t s)
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }

    // v plus its random offset s * 3.4e-36 * 2^(e + 62), e being v's binary exponent, so
    // that the offset stays about one unit in the last place.  The offset and the sum are
    // formed in extended precision and rounded once to float.
    static float withNoiseOffset(float v, uint32_t s)
    {
        // The exponent frexp would give, read straight from the bits for normal numbers.
        const uint32_t biased = (std::bit_cast<uint32_t>(v) >> 23) & 0xffu;
        int e = static_cast<int>(biased) - 126;
        if (biased == 0 || biased == 0xffu)
            std::frexp(v, &e); // zero, subnormal, inf or NaN
        // Every power of two a float's exponent can ask for is an exact double.
        const int power = e + 62;
        const long double scale = power > -1022 && power < 1024
                                      ? static_cast<long double>(std::bit_cast<double>(static_cast<uint64_t>(power + 1023) << 52))
                                      : std::ldexp(1.0L, power);
        const long double offset = static_cast<long double>(s) * 3.4e-36L * scale;
        return static_cast<float>(offset + static_cast<long double>(v));
    }

private:
    bool ensureWork(long samples);

    int32_t currentFactor = 0;
    BiquadDelay stages[4];
    BiquadCoefficients coefficients;
    uint32_t noiseState = 0;
    std::unique_ptr<float[]> work;
    int capacity = 0;
};

} // namespace vf
