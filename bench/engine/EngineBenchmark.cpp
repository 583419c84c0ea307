// Cost of the audio engine per chunk, reported as a real-time factor: seconds of audio
// processed per second of CPU time.
#include "plugin/ReferenceTubeEngine.hpp"
#include "plugin/TubeEngine.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

// engine: 0 = the sample-by-sample reference, 1 = vector engine on SSE2, 2 = on AVX2,
// 3 = on AVX-512.
void engineChunk(benchmark::State& state)
{
    const int engineKind = static_cast<int>(state.range(4));
    const int channels = static_cast<int>(state.range(0));
    const double rate = static_cast<double>(state.range(1));
    const int frames = static_cast<int>(state.range(2));
    const bool allOptions = state.range(3) != 0;

    vf::EngineControls controls;
    if (allOptions) {
        controls.edge = true;
        controls.tubeHigh = 85.0;
        controls.tubeLow = 60.0;
        controls.brilliance = true;
        controls.outputGainDb = 3.0;
    }

    vf::ReferenceTubeEngine reference;
    vf::TubeEngine vector;
    if (engineKind == 2 && !vector.usePath(vf::TubeEngine::SimdPath::avx2)) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    if (engineKind == 3 && !vector.usePath(vf::TubeEngine::SimdPath::avx512)) {
        state.SkipWithError("no AVX-512 on this processor");
        return;
    }
    if (engineKind == 1)
        vector.usePath(vf::TubeEngine::SimdPath::sse2);
    reference.reset(rate, frames);
    vector.reset(rate, frames);

    // A few seconds of varied signal so the chunks do not all see the same samples.
    const size_t length = static_cast<size_t>(rate) * 2;
    std::vector<float> left(length), right(length);
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / rate;
        left[i] = static_cast<float>(0.7 * std::sin(2 * std::numbers::pi * 220 * t) + 0.2 * std::sin(2 * std::numbers::pi * 3100 * t));
        right[i] = static_cast<float>(0.8 * std::sin(2 * std::numbers::pi * 330 * t));
    }
    std::vector<float> outL(static_cast<size_t>(frames)), outR(static_cast<size_t>(frames));

    size_t pos = 0;
    for (auto _ : state) {
        if (pos + static_cast<size_t>(frames) > length)
            pos = 0;
        const float* ins[2] = {left.data() + pos, right.data() + pos};
        float* outs[2] = {outL.data(), outR.data()};
        if (engineKind == 0)
            reference.processAudio(ins, outs, channels, channels, frames, controls);
        else
            vector.processAudio(ins, outs, channels, channels, frames, controls);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        pos += static_cast<size_t>(frames);
    }
    const double audioSeconds = static_cast<double>(state.iterations()) * frames / rate;
    state.counters["realtime_factor"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * frames);
    const char* kinds[] = {"reference", "sse2", "avx2", "avx512"};
    state.SetLabel(std::string(kinds[engineKind]) + (channels == 2 ? " stereo" : " mono") +
                   (allOptions ? " all-options" : " defaults"));
}

} // namespace

BENCHMARK(engineChunk)
    ->ArgNames({"channels", "rate", "frames", "options", "engine"})
    ->ArgsProduct({{1, 2}, {44100, 48000}, {64, 512}, {0, 1}, {0, 1, 2, 3}});

BENCHMARK_MAIN();
