#include "plugin/ReferenceTubeEngine.hpp"

#include "plugin/Decibels.hpp"
#include "plugin/FixedFilters.hpp"
#include "plugin/KneeLimit.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <numbers>

namespace vf {

namespace {

std::unique_ptr<float[]> allocateSamples(long count)
{
    if (count <= 0)
        return nullptr;
    return std::unique_ptr<float[]>(new (std::nothrow) float[static_cast<size_t>(count)]);
}

} // namespace

ReferenceTubeEngine::ReferenceTubeEngine() = default;
ReferenceTubeEngine::~ReferenceTubeEngine() = default;

void ReferenceTubeEngine::reset(double newSampleRate, int newMaxFrames)
{
    sampleRate = static_cast<float>(newSampleRate);
    maxFrames = std::max(0, newMaxFrames);

    for (int c = 0; c < 2; ++c) {
        lowShelfState[c].clear();
        edgeShelfState[c].clear();
        brillianceShelfState[c].clear();
        airLowPassState[c].clear();
    }

    // Buffers only grow, so a reset that keeps the block size allocates nothing.
    const long highRateSamples = static_cast<long>(oversampleFactor) * maxFrames;
    buffersReady = highRateSamples <= INT32_MAX;
    if (buffersReady && highRateSamples > highRateCapacity) {
        highRateLeft = allocateSamples(highRateSamples);
        highRateRight = allocateSamples(highRateSamples);
        highRateCapacity = highRateLeft && highRateRight ? static_cast<int>(highRateSamples) : 0;
        buffersReady = highRateCapacity > 0;
    }

    // Sized here so that no chunk, not even the first, allocates.  Their filter and noise
    // states are deliberately kept: a reset must not change the noise sequence.
    for (DownsamplingNx& d : downsamplers) {
        if (buffersReady && !d.reserve(maxFrames, oversampleFactor))
            buffersReady = false;
    }

    toneStage.reset();
}

void ReferenceTubeEngine::prepareFilters()
{
    const FixedFilters f = FixedFilters::design(sampleRate, edgeGainDb, lowShelfGainDb);
    edgeShelf = f.edgeShelf;
    lowShelf = f.lowShelf;
    brillianceShelf = f.brillianceShelf;
    airLowPass = f.airLowPass;
}

void ReferenceTubeEngine::silence(float* const* outputs, int numOutputs, int frames)
{
    for (int c = 0; c < numOutputs; ++c)
        if (outputs[c])
            std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(frames));
}

void ReferenceTubeEngine::processAudio(const float* const* inputs, float* const* outputs, int numInputs, int numOutputs,
                              int frames, const EngineControls& requested)
{
    const EngineControls controls = requested.sanitized();

    frames = std::max(0, frames);
    numInputs = inputs ? std::max(0, numInputs) : 0;
    numOutputs = outputs ? std::max(0, numOutputs) : 0;

    // Derived values, recomputed every chunk: changes apply stepwise at chunk boundaries.
    inputGain = decibelsToLinear(static_cast<float>(controls.inputGainDb));
    outputGain = decibelsToLinear(static_cast<float>(controls.outputGainDb));
    holdSamples = false;
    brillianceOn = controls.brilliance;
    edgeOn = controls.edge;
    edgeGainDb = 2.0f;
    lowShelfGainDb = -7.0f;
    const float low = static_cast<float>(controls.tubeLow) / 100.0f;
    const float high = static_cast<float>(controls.tubeHigh) / 100.0f;
    morphLow = std::min(1.0f, low * low);
    morphHigh = std::min(1.0f, high * high);
    bass = 0.5f;
    treble = 0.5f;

    // The designs depend only on the rate, so redesigning per chunk keeps any chunk split
    // sample-identical.
    prepareFilters();

    if (frames == 0)
        return;
    const bool usable = buffersReady && frames <= maxFrames &&
                        static_cast<long>(frames) * oversampleFactor <= highRateCapacity && sampleRate > 0.0f &&
                        std::isfinite(sampleRate);
    if (!usable) {
        silence(outputs, numOutputs, frames);
        return;
    }

    int channels = std::min({numInputs, numOutputs, 2});
    for (int c = 0; c < channels; ++c)
        if (!inputs[c] || !outputs[c])
            channels = c; // a missing buffer ends the processed channels
    const bool stereo = channels == 2;
    const int n = frames * oversampleFactor;
    float* left = highRateLeft.get();
    float* right = highRateRight.get();

    if (channels > 0) {
        // Up-convert (all inputs are read before any output is written, so the host may
        // pass the same buffers for both).
        upsamplers[0].processBuffer(inputs[0], left, frames, oversampleFactor, holdSamples, sampleRate);
        if (stereo)
            upsamplers[1].processBuffer(inputs[1], right, frames, oversampleFactor, holdSamples, sampleRate);

        // Input limiter.
        for (int i = 0; i < n; ++i)
            left[i] = kneeLimit(left[i] * inputGain, 0.707f);
        if (stereo)
            for (int i = 0; i < n; ++i)
                right[i] = kneeLimit(right[i] * inputGain, 0.707f);

        // Fixed filters before the tube stage.
        auto runFixed = [&](const BiquadCoefficients& c, BiquadDelay* states) {
            states[0].process(c, left, n);
            if (stereo)
                states[1].process(c, right, n);
        };
        if (edgeOn)
            runFixed(edgeShelf, edgeShelfState);
        runFixed(lowShelf, lowShelfState);
        runFixed(airLowPass, airLowPassState);

        // Tube stage, both channels in one pass.
        toneStage.bass = bass;
        toneStage.treble = treble;
        toneStage.morphLow = morphLow;
        toneStage.morphHigh = morphHigh;
        toneStage.processBaxandall2(left, left, stereo ? right : nullptr, stereo ? right : nullptr, n,
                                    static_cast<double>(sampleRate));

        // Treble shelf after the tube stage.
        if (brillianceOn)
            runFixed(brillianceShelf, brillianceShelfState);

        // Down-convert, then the output gain.
        downsamplers[0].processBuffer(left, outputs[0], frames, oversampleFactor, sampleRate);
        if (stereo)
            downsamplers[1].processBuffer(right, outputs[1], frames, oversampleFactor, sampleRate);
        for (int c = 0; c < channels; ++c)
            for (int j = 0; j < frames; ++j)
                outputs[c][j] *= outputGain;
    }

    // Outputs without a processed input.
    for (int c = channels; c < numOutputs; ++c)
        if (outputs[c])
            std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(frames));
}

} // namespace vf
