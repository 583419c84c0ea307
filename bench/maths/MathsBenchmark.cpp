// Cost per lane of the library sine and arc sine against the vector ones.  Two kinds of
// input each: uniform floats (in [-4, 4] for the sine, [-1, 1] for the arc sine), where
// neighbouring lanes have nothing in common, and a music-like signal as the engine sees it
// (a few partials under a slow swell, sampled at 96 kHz: below pi/4 for the sine, below
// 0.9 for the arc sine).  Items processed = lanes, so the rate reads as lanes per second.
// The arc sine's counter `library` is the share of lanes it hands to std::asin.

#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"
#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"
#include "tests/plugin/VectorMathsAvx2Probe.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr int blockSize = 16384;

std::vector<double> floatsBetween(float low, float high, int count = blockSize)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> d(low, high);
    std::vector<double> v(count);
    for (double& x : v)
        x = d(random);
    return v;
}

// Peaks just below `peak`.
std::vector<double> musicLike(double peak, int count = blockSize)
{
    std::vector<double> v(count);
    const double step = 2.0 * std::numbers::pi / 96000.0;
    for (int i = 0; i < count; ++i) {
        const double t = i * step;
        const double partials =
            0.55 * std::sin(110.0 * t) + 0.3 * std::sin(331.0 * t + 1.0) + 0.15 * std::sin(1234.0 * t);
        const double swell = 0.6 + 0.4 * std::sin(7.0 * t + 0.3);
        v[i] = static_cast<float>(peak * swell * partials);
    }
    return v;
}

enum class Input { uniform, music };

template <class Block>
void runBlocks(benchmark::State& state, const std::vector<double>& in, Block block)
{
    std::vector<double> out(in.size());
    for (auto _ : state) {
        block(in.data(), out.data(), static_cast<int>(in.size()));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(in.size()));
}

template <class D, D (*function)(D)>
void lanesBlock(const double* in, double* out, int count)
{
    for (int i = 0; i < count; i += D::lanes)
        function(D::load(in + i)).store(out + i);
}

std::vector<double> sineInput(Input input)
{
    return input == Input::uniform ? floatsBetween(-4, 4) : musicLike(0.78);
}

std::vector<double> arcSineInput(Input input, int count = blockSize)
{
    return input == Input::uniform ? floatsBetween(-1, 1, count) : musicLike(0.9, count);
}

// Over some 44 s of input rather than the benchmark's block, as the share is small.
double libraryShare(Input input)
{
    const std::vector<double> in = arcSineInput(input, 1 << 22);
    int count = 0;
    for (double y : in) {
        const vf::simd::ScalarF64 c = vf::simd::arcSineDouble(vf::simd::ScalarF64(y));
        count += vf::simd::arcSineNearFloatTie(c) != 0 || !(std::fabs(y) <= 1.0);
    }
    return static_cast<double>(count) / static_cast<double>(in.size());
}

template <class Block>
void runArcSine(benchmark::State& state, Input input, Block block)
{
    runBlocks(state, arcSineInput(input), block);
    state.counters["library"] = libraryShare(input);
}

void librarySine(benchmark::State& state, Input input)
{
    runBlocks(state, sineInput(input), [](const double* in, double* out, int n) {
        for (int i = 0; i < n; ++i)
            out[i] = std::sin(in[i]);
    });
}

void scalarSine(benchmark::State& state, Input input)
{
    runBlocks(state, sineInput(input), lanesBlock<vf::simd::ScalarF64, vf::simd::sineOf<vf::simd::ScalarF64>>);
}

void sse2Sine(benchmark::State& state, Input input)
{
    runBlocks(state, sineInput(input), lanesBlock<vf::simd::Sse2F64, vf::simd::sineOf<vf::simd::Sse2F64>>);
}

void avx2Sine(benchmark::State& state, Input input)
{
    if (!vf::test::avx2Supported())
        return state.SkipWithError("no AVX2");
    runBlocks(state, sineInput(input), vf::test::sineBlockAvx2);
}

void avx512Sine(benchmark::State& state, Input input)
{
    if (!vf::test::avx512Supported())
        return state.SkipWithError("no AVX-512");
    runBlocks(state, sineInput(input), vf::test::sineBlockAvx512);
}

void libraryArcSine(benchmark::State& state, Input input)
{
    runBlocks(state, arcSineInput(input), [](const double* in, double* out, int n) {
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<float>(std::asin(in[i]));
    });
}

void scalarArcSine(benchmark::State& state, Input input)
{
    runArcSine(state, input, lanesBlock<vf::simd::ScalarF64, vf::simd::arcSineRoundedToFloat<vf::simd::ScalarF64>>);
}

void sse2ArcSine(benchmark::State& state, Input input)
{
    runArcSine(state, input, lanesBlock<vf::simd::Sse2F64, vf::simd::arcSineRoundedToFloat<vf::simd::Sse2F64>>);
}

void avx2ArcSine(benchmark::State& state, Input input)
{
    if (!vf::test::avx2Supported())
        return state.SkipWithError("no AVX2");
    runArcSine(state, input, vf::test::arcSineRoundedToFloatBlockAvx2);
}

void avx512ArcSine(benchmark::State& state, Input input)
{
    if (!vf::test::avx512Supported())
        return state.SkipWithError("no AVX-512");
    runArcSine(state, input, vf::test::arcSineRoundedToFloatBlockAvx512);
}

#define VF_BENCH_BOTH(function)                                                                                        \
    BENCHMARK_CAPTURE(function, uniform, Input::uniform);                                                              \
    BENCHMARK_CAPTURE(function, music, Input::music)

VF_BENCH_BOTH(librarySine);
VF_BENCH_BOTH(scalarSine);
VF_BENCH_BOTH(sse2Sine);
VF_BENCH_BOTH(avx2Sine);
VF_BENCH_BOTH(avx512Sine);
VF_BENCH_BOTH(libraryArcSine);
VF_BENCH_BOTH(scalarArcSine);
VF_BENCH_BOTH(sse2ArcSine);
VF_BENCH_BOTH(avx2ArcSine);
VF_BENCH_BOTH(avx512ArcSine);

} // namespace

BENCHMARK_MAIN();
