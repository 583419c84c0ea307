#include "plugin/TubeEngine.hpp"

#include "plugin/BaxandAll.hpp"
#include "plugin/Decibels.hpp"
#include "plugin/DownsamplingNx.hpp"
#include "plugin/FixedFilters.hpp"
#include "plugin/ToneLowPass.hpp"
#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/VectorSine.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <numbers>

namespace vf {

namespace {

ChunkKernel kernelFor(TubeEngine::SimdPath path)
{
    switch (path) {
    case TubeEngine::SimdPath::avx512: return &simd::processChunkAvx512;
    case TubeEngine::SimdPath::avx2: return &simd::processChunkAvx2;
    default: return &simd::processChunkSse2;
    }
}

BiquadCoefficients toneRecord(double fc, double q)
{
    ToneLowPass r;
    r.fc = fc;
    r.q = q;
    r.design();
    return {r.b0, r.b1, r.b2, r.a1, r.a2};
}

} // namespace

TubeEngine::TubeEngine() : scratch{}
{
    // The widest path the processor has.
    usePath(SimdPath::sse2);
    usePath(SimdPath::avx2);
    usePath(SimdPath::avx512);
}

double TubeEngine::sine(double x)
{
    return simd::sineOf(simd::ScalarF64(x)).v;
}

bool TubeEngine::supports(SimdPath path)
{
    if (path == SimdPath::sse2)
        return true;
    __builtin_cpu_init();
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    if (path == SimdPath::avx2)
        return avx2;
    return avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512vl");
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
    const double rate = sampleRate;
    upConverterPassesThrough =
        rate > 0.0 && std::isfinite(rate) && designLowPass(rate / 2.0, rate, std::numbers::sqrt2).isPassThrough();

    // The fixed filters and the tone stage start afresh; the converters carry on.
    const HighRateState fresh;
    state.edge = fresh.edge;
    state.low = fresh.low;
    state.air = fresh.air;
    state.brilliance = fresh.brilliance;
    std::fill(std::begin(state.bassS1), std::end(state.bassS1), 0.0);
    std::fill(std::begin(state.bassS2), std::end(state.bassS2), 0.0);
    std::fill(std::begin(state.trebleS1), std::end(state.trebleS1), 0.0);
    std::fill(std::begin(state.trebleS2), std::end(state.trebleS2), 0.0);
}

void TubeEngine::prepare(const EngineControls& requested)
{
    const EngineControls controls = requested.sanitized();
    settings.inputGain = decibelsToLinear(static_cast<float>(controls.inputGainDb));
    settings.outputGain = decibelsToLinear(static_cast<float>(controls.outputGainDb));

    // The designs depend on the rate alone: redesigning them for every chunk, as the
    // reference does, would give the same coefficients, so they are kept until it changes.
    if (!designsValid || std::bit_cast<uint32_t>(designedRate) != std::bit_cast<uint32_t>(sampleRate)) {
        const FixedFilters fixed = FixedFilters::design(sampleRate, 2.0f, -7.0f);
        settings.edge = fixed.edgeShelf;
        settings.low = fixed.lowShelf;
        settings.brilliance = fixed.brillianceShelf;
        settings.air = fixed.airLowPass;
        // Neutral tone controls.
        const BaxandAll::BandSplit split = BaxandAll::bandSplit(0.5f, 0.5f, static_cast<double>(sampleRate));
        settings.bass = toneRecord(split.fcBass, BaxandAll::bassQ);
        settings.treble = toneRecord(split.fcTreble, BaxandAll::trebleQ);
        settings.gBass = split.gBass;
        settings.gTreble = split.gTreble;
        designedRate = sampleRate;
        designsValid = true;
    }
    settings.edgeOn = controls.edge;
    settings.brillianceOn = controls.brilliance;

    const float low = static_cast<float>(controls.tubeLow) / 100.0f;
    const float high = static_cast<float>(controls.tubeHigh) / 100.0f;
    settings.lowBand = MorphWeights::of(std::min(1.0f, low * low));
    settings.highBand = MorphWeights::of(std::min(1.0f, high * high));
}

// What the down-converter does on the first chunk it sees: design, clear, seed.
void TubeEngine::startDownConverter(int channel)
{
    const double highRate = static_cast<double>(sampleRate) * engineOversampling;
    settings.down = designLowPass(highRate / 2.0, highRate, std::numbers::sqrt2);
    for (DirectFormLanes* lanes : {&state.down1, &state.down2, &state.down3, &state.down4})
        lanes->x1[channel] = lanes->x2[channel] = lanes->y1[channel] = lanes->y2[channel] = 0.0;
    state.noise[channel] = DownsamplingNx::drawNoiseSeed();
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
    if (frames > maxFrames || !upConverterPassesThrough)
        channels = 0; // refused: silence
    if (channels > 0) {
        for (int c = 0; c < channels; ++c)
            if (!downStarted[c])
                startDownConverter(c);
        kernel(state, settings, scratch, inputs, outputs, frames, channels);
    }

    // Outputs without a processed input (all of them when the chunk is refused).
    for (int c = channels; c < numOutputs; ++c)
        if (outputs[c])
            std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(frames));
}

} // namespace vf
