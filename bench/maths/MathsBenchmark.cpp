// Cost per lane of the library sine and arc sine against the vector ones, on the kind of
// values the tone stage sees (floats in [-4, 4] for the sine, floats in [-1, 1] for the
// arc sine).  Items processed = lanes, so the rate reads as lanes per second.

#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"
#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"
#include "tests/plugin/VectorMathsAvx2Probe.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int blockSize = 1024;

std::vector<double> floatsBetween(float low, float high)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> d(low, high);
    std::vector<double> v(blockSize);
    for (double& x : v)
        x = d(random);
    return v;
}

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

void librarySine(benchmark::State& state)
{
    runBlocks(state, floatsBetween(-4, 4), [](const double* in, double* out, int n) {
        for (int i = 0; i < n; ++i)
            out[i] = std::sin(in[i]);
    });
}

void scalarSine(benchmark::State& state)
{
    runBlocks(state, floatsBetween(-4, 4), lanesBlock<vf::simd::ScalarF64, vf::simd::sineOf<vf::simd::ScalarF64>>);
}

void sse2Sine(benchmark::State& state)
{
    runBlocks(state, floatsBetween(-4, 4), lanesBlock<vf::simd::Sse2F64, vf::simd::sineOf<vf::simd::Sse2F64>>);
}

void avx2Sine(benchmark::State& state)
{
    if (!vf::test::avx2Supported())
        return state.SkipWithError("no AVX2");
    runBlocks(state, floatsBetween(-4, 4), vf::test::sineBlockAvx2);
}

void libraryArcSine(benchmark::State& state)
{
    runBlocks(state, floatsBetween(-1, 1), [](const double* in, double* out, int n) {
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<float>(std::asin(in[i]));
    });
}

void scalarArcSine(benchmark::State& state)
{
    runBlocks(state, floatsBetween(-1, 1),
        lanesBlock<vf::simd::ScalarF64, vf::simd::arcSineRoundedToFloat<vf::simd::ScalarF64>>);
}

void sse2ArcSine(benchmark::State& state)
{
    runBlocks(state, floatsBetween(-1, 1),
        lanesBlock<vf::simd::Sse2F64, vf::simd::arcSineRoundedToFloat<vf::simd::Sse2F64>>);
}

void avx2ArcSine(benchmark::State& state)
{
    if (!vf::test::avx2Supported())
        return state.SkipWithError("no AVX2");
    runBlocks(state, floatsBetween(-1, 1), vf::test::arcSineRoundedToFloatBlockAvx2);
}

BENCHMARK(librarySine);
BENCHMARK(scalarSine);
BENCHMARK(sse2Sine);
BENCHMARK(avx2Sine);
BENCHMARK(libraryArcSine);
BENCHMARK(scalarArcSine);
BENCHMARK(sse2ArcSine);
BENCHMARK(avx2ArcSine);

} // namespace

BENCHMARK_MAIN();
