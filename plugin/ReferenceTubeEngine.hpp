#pragma once

#include "plugin/BaxandAll.hpp"
#include "plugin/BiquadCoefficients.hpp"
#include "plugin/BiquadDelay.hpp"
#include "plugin/DownsamplingNx.hpp"
#include "plugin/EngineControls.hpp"
#include "plugin/UpsamplingNx.hpp"

#include <cstdint>
#include <memory>

namespace vf {


// The audio engine written sample by sample, straight from its arithmetic: the reference
// the vector engine (TubeEngine) must reproduce bit for bit.  Tests and benchmarks use it.
// Audio thread only; no locks, and no allocation after reset().
class ReferenceTubeEngine {
public:
    ReferenceTubeEngine();
    ~ReferenceTubeEngine();
    ReferenceTubeEngine(const ReferenceTubeEngine&) = delete;
    ReferenceTubeEngine& operator=(const ReferenceTubeEngine&) = delete;

    // Audio thread, before the first chunk and on every rate or block-size change; the only
    // call that allocates.  Clears the fixed filters and the tube stage; the converters keep
    // their state.
    void reset(double sampleRate, int maxFrames);

    // Audio thread: no locks, no allocation.  frames <= the maxFrames of the last reset; a
    // larger chunk, or one after a failed reset allocation, gives silence.  One input and
    // one output run the left path alone; channels beyond the processed ones are zero-filled.
    // Non-finite input samples are taken as silence.
    void processAudio(const float* const* inputs, float* const* outputs, int numInputs, int numOutputs,
                      int frames, const EngineControls& controls);

    // The sine the tone stage enters through; the C library's by default.  Lets a test run
    // this engine with the vector engine's own sine.
    void setSine(double (*sine)(double)) { toneStage.sine = sine; }

    // The fixed filter designs of the last chunk, for inspection.
    const BiquadCoefficients& edgeShelfCoefficients() const { return edgeShelf; }
    const BiquadCoefficients& lowShelfCoefficients() const { return lowShelf; }
    const BiquadCoefficients& brillianceShelfCoefficients() const { return brillianceShelf; }
    const BiquadCoefficients& airLowPassCoefficients() const { return airLowPass; }

private:
    void prepareFilters();
    void silence(float* const* outputs, int numOutputs, int frames);

    BiquadDelay lowShelfState[2];
    BiquadDelay edgeShelfState[2];
    BiquadDelay brillianceShelfState[2];
    BiquadDelay airLowPassState[2];
    BiquadCoefficients lowShelf;
    BiquadCoefficients edgeShelf;
    BiquadCoefficients brillianceShelf;
    BiquadCoefficients airLowPass;
    float lowShelfGainDb = 0.0f;
    UpsamplingNx upsamplers[2];
    DownsamplingNx downsamplers[2];
    std::unique_ptr<float[]> highRateLeft;
    std::unique_ptr<float[]> highRateRight;
    int highRateCapacity = 0; // samples per channel in both buffers
    bool buffersReady = false; // false after a failed allocation: chunks give silence
    int32_t oversampleFactor = 4;
    bool holdSamples = false;
    float sampleRate = 0.0f;
    int maxFrames = 0;
    BaxandAll toneStage;
    float bass = 0.5f;
    float treble = 0.5f;
    float morphLow = 0.0f;
    float morphHigh = 0.0f;
    float inputGain = 0.0f;
    float outputGain = 0.0f;
    bool edgeOn = false;
    bool brillianceOn = false;
    float edgeGainDb = 0.0f;
};

} // namespace vf
