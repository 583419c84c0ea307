#pragma once

// The oversampled middle of the engine as the vector kernels see it: the state carried
// between blocks, the settings of one chunk, and the kernel entry points per instruction
// set.  Audio thread only; nothing here allocates or locks.

#include "plugin/BiquadCoefficients.hpp"
#include "plugin/TubeWaveshaper.hpp"

namespace vf {

// Up to this many high-rate samples per channel go through a kernel call.
inline constexpr int highRateBlock = 256;
// Vector loops run over whole registers; the buffers carry this much zeroed padding.
inline constexpr int highRatePadding = 16;

// Direct-form-I states of one section, channel by channel.
struct DirectFormLanes {
    double x1[2] = {};
    double x2[2] = {};
    double y1[2] = {};
    double y2[2] = {};
};

struct HighRateState {
    DirectFormLanes edge, low, air, brilliance, down1, down2;
    // Tone-stage record states.  Every chunk is a whole number of sample pairs, so the
    // record set that takes even samples never changes; lanes are ordered left even,
    // right even, left odd, right odd, which is also the order of two interleaved frames.
    double bassS1[4] = {}, bassS2[4] = {}, trebleS1[4] = {}, trebleS2[4] = {};
};

struct HighRateSettings {
    BiquadCoefficients edge, low, air, brilliance, down;
    bool edgeOn = false;
    bool brillianceOn = false;
    BiquadCoefficients bass, treble; // the tone-stage records' b0..a2
    double gBass = 1.0;
    double gTreble = 1.0;
    MorphWeights lowBand, highBand;
};

// Per-call work areas, interleaved by channel, with padding for whole registers.
struct HighRateScratch {
    alignas(64) double sine[2 * highRateBlock + highRatePadding];
    alignas(64) float high[2 * highRateBlock + highRatePadding];
    alignas(64) float low[2 * highRateBlock + highRatePadding];
};

// Runs `count` high-rate samples (a multiple of 4, at most highRateBlock) of one or two
// interleaved channels from the input limiter's output in `samples` (padded with zeros
// to a multiple of 16 values) through the fixed filters, the tone stage and the first
// two down-converter sections; writes every fourth sample of the result to `picked`
// (count / 4 frames, interleaved).  `samples` is overwritten.
using HighRateKernel = void (*)(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                                float* samples, float* picked, int count, int channels);

namespace simd {
void highRateSse2(HighRateState&, const HighRateSettings&, HighRateScratch&, float*, float*, int, int);
void highRateAvx2(HighRateState&, const HighRateSettings&, HighRateScratch&, float*, float*, int, int);
} // namespace simd

} // namespace vf
