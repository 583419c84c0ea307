#include "plugin/TubeEngine.hpp"

#include "plugin/BaxandAll.hpp"
#include "plugin/Decibels.hpp"
#include "plugin/DownsamplingNx.hpp"
#include "plugin/FixedFilters.hpp"
#include "plugin/KneeLimit.hpp"
#include "plugin/ToneLowPass.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace vf {

namespace {

HighRateKernel kernelFor(TubeEngine::SimdPath path)
{
    return path == TubeEngine::SimdPath::avx2 ? &simd::highRateAvx2 : &simd::highRateSse2;
}

BiquadCoefficients toneRecord(double fc, double q)
{
    ToneLowPass r;
    r.fc = fc;
    r.q = q;
    r.design();
    return {r.b0, r.b1, r.b2, r.a1, r.a2};
}

void clearFixedFilter(DirectFormLanes& lanes)
{
    lanes = DirectFormLanes();
}

} // namespace

TubeEngine::TubeEngine() : scratch{}, upsampled{}, samples{}, picked{}
{
    usePath(SimdPath::sse2);
    usePath(SimdPath::avx2);
}

bool TubeEngine::supports(SimdPath path)
{
    if (path == SimdPath::sse2)
        return true;
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

bool TubeEngine::usePath(SimdPath path)
{
    if (!supports(path))
        return false;
    path_ = path;
    kernel = kernelFor(path);
    return true;
}

void TubeEngine::reset(double newSampleRate, int newMaxFrames)
{
    sampleRate = static_cast<float>(newSampleRate);
    maxFrames = std::max(0, newMaxFrames);
    // The fixed filters and the tone stage start afresh; the down-converter's sections
    // (down1, down2 and the host-rate ones) and its generator carry on.
    clearFixedFilter(state.edge);
    clearFixedFilter(state.low);
    clearFixedFilter(state.air);
    clearFixedFilter(state.brilliance);
    std::fill(std::begin(state.bassS1), std::end(state.bassS1), 0.0);
    std::fill(std::begin(state.bassS2), std::end(state.bassS2), 0.0);
    std::fill(std::begin(state.trebleS1), std::end(state.trebleS1), 0.0);
    std::fill(std::begin(state.trebleS2), std::end(state.trebleS2), 0.0);
}

void TubeEngine::prepare(const EngineControls& requested)
{
    const EngineControls controls = requested.sanitized();
    inputGain = decibelsToLinear(static_cast<float>(controls.inputGainDb));
    outputGain = decibelsToLinear(static_cast<float>(controls.outputGainDb));

    const FixedFilters fixed = FixedFilters::design(sampleRate, 2.0f, -7.0f);
    settings.edge = fixed.edgeShelf;
    settings.low = fixed.lowShelf;
    settings.brilliance = fixed.brillianceShelf;
    settings.air = fixed.airLowPass;
    settings.edgeOn = controls.edge;
    settings.brillianceOn = controls.brilliance;

    const float low = static_cast<float>(controls.tubeLow) / 100.0f;
    const float high = static_cast<float>(controls.tubeHigh) / 100.0f;
    settings.lowBand = MorphWeights::of(std::min(1.0f, low * low));
    settings.highBand = MorphWeights::of(std::min(1.0f, high * high));

    // Neutral tone controls.
    const BaxandAll::BandSplit split = BaxandAll::bandSplit(0.5f, 0.5f, static_cast<double>(sampleRate));
    settings.bass = toneRecord(split.fcBass, BaxandAll::bassQ);
    settings.treble = toneRecord(split.fcTreble, BaxandAll::trebleQ);
    settings.gBass = split.gBass;
    settings.gTreble = split.gTreble;
}

void TubeEngine::startDownConverter(int channel)
{
    const double highRate = static_cast<double>(sampleRate) * oversampleFactor;
    downCoefficients = designLowPass(highRate / 2.0, highRate, std::numbers::sqrt2);
    for (DirectFormLanes* lanes : {&state.down1, &state.down2}) {
        lanes->x1[channel] = lanes->x2[channel] = lanes->y1[channel] = lanes->y2[channel] = 0.0;
    }
    downHostRate[channel][0].clear();
    downHostRate[channel][1].clear();
    noiseState[channel] = DownsamplingNx::drawNoiseSeed();
    downStarted[channel] = true;
}

void TubeEngine::processAudio(const float* const* inputs, float* const* outputs, int numInputs, int numOutputs,
                              int frames, const EngineControls& controls)
{
    frames = std::max(0, frames);
    numInputs = inputs ? std::max(0, numInputs) : 0;
    numOutputs = outputs ? std::max(0, numOutputs) : 0;

    // Derived values and designs, recomputed every chunk: changes apply stepwise at chunk
    // boundaries, and any chunk split gives the same samples.
    prepare(controls);
    if (frames == 0)
        return;

    int channels = std::min({numInputs, numOutputs, 2});
    for (int c = 0; c < channels; ++c)
        if (!inputs[c] || !outputs[c])
            channels = c; // a missing buffer ends the processed channels
    const bool usable = frames <= maxFrames && sampleRate > 0.0f && std::isfinite(sampleRate);
    if (!usable)
        channels = 0;
    else if (channels > 0) {
        for (int c = 0; c < channels; ++c)
            if (!downStarted[c])
                startDownConverter(c);
        settings.down = downCoefficients;
        for (int offset = 0; offset < frames; offset += blockFrames)
            processBlock(inputs, outputs, channels, offset, std::min(blockFrames, frames - offset));
    }

    // Outputs without a processed input (all of them when the chunk is refused).
    for (int c = channels; c < numOutputs; ++c)
        if (outputs[c])
            std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(frames));
}

void TubeEngine::processBlock(const float* const* inputs, float* const* outputs, int channels, int offset,
                              int frames)
{
    const int count = frames * oversampleFactor;

    // Up-convert and limit, interleaving the channels.  Every input of the block is read
    // before any output is written, so the host may pass the same buffers for both.
    for (int c = 0; c < channels; ++c) {
        upsamplers[c].processBuffer(inputs[c] + offset, upsampled, frames, oversampleFactor, false, sampleRate);
        for (int i = 0; i < count; ++i) {
            const float v = upsampled[i] * inputGain;
            samples[i * channels + c] = std::fabs(v) < 0.707f ? v : kneeLimit(v, 0.707f);
        }
    }
    const int values = count * channels;
    std::fill(samples + values, samples + (values + highRatePadding - 1) / highRatePadding * highRatePadding, 0.0f);

    kernel(state, settings, scratch, samples, picked, count, channels);

    // Back at the host rate: the random offset, the two host-rate sections, the gain.
    for (int c = 0; c < channels; ++c) {
        float* out = outputs[c] + offset;
        uint32_t s = noiseState[c];
        for (int j = 0; j < frames; ++j) {
            s = DownsamplingNx::nextNoise(s);
            out[j] = DownsamplingNx::withNoiseOffset(picked[j * channels + c], s);
        }
        noiseState[c] = s;
        downHostRate[c][0].process(downCoefficients, out, frames);
        downHostRate[c][1].process(downCoefficients, out, frames);
        for (int j = 0; j < frames; ++j)
            out[j] *= outputGain;
    }
}

} // namespace vf
