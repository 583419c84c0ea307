#pragma once

#include "plugin/BiquadCoefficients.hpp"
#include "plugin/BiquadDelay.hpp"

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
