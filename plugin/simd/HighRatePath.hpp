#pragma once

// The engine's per-chunk work as the vector kernels see it: the state carried between
// chunks, the settings of one chunk, and the kernel entry points per instruction set.
// Audio thread only; nothing here allocates or locks.

#include "plugin/BiquadCoefficients.hpp"
#include "plugin/TubeWaveshaper.hpp"

#include <cstdint>

namespace vf {

// Host frames per block.  Three blocks are in flight at once, each at a different stage,
// so that the stages' recursions, each bound by its own latency, run side by side.
inline constexpr int engineBlockFrames = 32;
inline constexpr int engineOversampling = 4;
inline constexpr int engineBlockValues = 2 * engineBlockFrames * engineOversampling; // both channels
// Vector loops run over whole registers (up to sixteen floats); buffers carry that much
// room before and after.
inline constexpr int enginePadding = 16;

// Direct-form-I states of one section, channel by channel.
struct DirectFormLanes {
    double x1[2] = {};
    double x2[2] = {};
    double y1[2] = {};
    double y2[2] = {};
};

struct HighRateState {
    DirectFormLanes edge, low, air, brilliance;
    // The down-converter: two sections at the high rate, two at the host rate, and the
    // offset generator per channel.
    DirectFormLanes down1, down2, down3, down4;
    uint32_t noise[2] = {};
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
    float inputGain = 1.0f;
    float outputGain = 1.0f;
};

// Work areas of the blocks in flight, interleaved by channel.
struct HighRateScratch {
    struct Slot {
        alignas(64) float stream[enginePadding + engineBlockValues + enginePadding];
        alignas(64) double sine[engineBlockValues + enginePadding];
        alignas(64) float high[engineBlockValues + enginePadding];
        alignas(64) float low[engineBlockValues + enginePadding];
    };
    Slot slots[3];
};

// Processes one chunk of `frames` host frames (any number) of one or two channels, from
// the inputs to the finished outputs.  Reads each block of the inputs before writing the
// outputs of earlier blocks only, so inputs and outputs may be the same buffers.
using ChunkKernel = void (*)(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                             const float* const* inputs, float* const* outputs, int frames, int channels);

namespace simd {
void processChunkSse2(HighRateState&, const HighRateSettings&, HighRateScratch&, const float* const*, float* const*,
                      int, int);
void processChunkAvx2(HighRateState&, const HighRateSettings&, HighRateScratch&, const float* const*, float* const*,
                      int, int);
void processChunkAvx512(HighRateState&, const HighRateSettings&, HighRateScratch&, const float* const*,
                        float* const*, int, int);
} // namespace simd

} // namespace vf
