#include "core/ThreadPool.hpp"
#include "graphics/ImageResizer.hpp"
#include "graphics/Mipmap.hpp"

#include <benchmark/benchmark.h>

#include <random>

using namespace vf;

namespace {

template <typename T>
void fillNoise(OwnedImage<T>& img)
{
    std::mt19937 rng(7);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<uint8_t*>(img.scanline(y));
        for (int i = 0; i < img.width() * int(sizeof(T)); ++i)
            row[i] = uint8_t(rng());
    }
}

// The largest editor window (1.5 x 365 x 650), whole-window update.
constexpr int windowWidth = 548, windowHeight = 975;

void mipLevel(benchmark::State& state, Quality quality)
{
    Mipmap<RGBA> mip;
    mip.size(1, windowWidth, windowHeight);
    fillNoise(mip.level(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(mip.generateNextLevel(quality, mip.level(0).bounds(), 1));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (windowWidth / 2) * (windowHeight / 2));
}

void BM_MipBoxRGBA(benchmark::State& s) { mipLevel(s, Quality::box); }
void BM_MipCubicRGBA(benchmark::State& s) { mipLevel(s, Quality::cubic); }
void BM_MipBoxAlphaCovRGBA(benchmark::State& s) { mipLevel(s, Quality::boxAlphaCov); }
void BM_MipIntoPremulRGBA(benchmark::State& s) { mipLevel(s, Quality::boxAlphaCovIntoPremul); }

void BM_MipCubicL16(benchmark::State& state)
{
    Mipmap<L16> mip;
    mip.size(1, windowWidth, windowHeight);
    fillNoise(mip.level(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(mip.generateNextLevel(Quality::cubic, mip.level(0).bounds(), 1));
        benchmark::ClobberMemory();
    }
}

// A filmstrip frame or background scaled from design size to the largest
// scale, and from a double-size source down to the smallest.
void BM_Lanczos3Enlarge(benchmark::State& state)
{
    OwnedImage<RGBA> src, dst;
    src.size(365, 650);
    dst.size(windowWidth, windowHeight);
    fillNoise(src);
    ImageResizer resizer;
    for (auto _ : state)
        resizer.resizeImageSRGB(src.toRef(), dst.toRef(), 3, ResizeFilter::lanczos3);
}

// The editor background at the largest scale, every channel through sRGB: the
// original loop, the widest kernel the CPU runs, and that over two threads.
void background(benchmark::State& state, ImageResizer::Kernel kernel, ThreadPool* pool)
{
    OwnedImage<RGBA> src, dst;
    src.size(365, 650);
    dst.size(windowWidth, windowHeight);
    fillNoise(src);
    ImageResizer resizer;
    resizer.setKernel(kernel);
    for (auto _ : state)
        resizer.resizeImageSRGB(src.toRef(), dst.toRef(), -1, ResizeFilter::lanczos3, pool);
}

void BM_Lanczos3BackgroundReference(benchmark::State& s) { background(s, ImageResizer::Kernel::reference, nullptr); }
void BM_Lanczos3Background(benchmark::State& s) { background(s, ImageResizer::Kernel::automatic, nullptr); }

void BM_Lanczos3Background2Threads(benchmark::State& s)
{
    ThreadPool pool(2);
    background(s, ImageResizer::Kernel::automatic, &pool);
}

void BM_Lanczos3Shrink(benchmark::State& state)
{
    OwnedImage<RGBA> src, dst;
    src.size(730, 1300);
    dst.size(237, 423);
    fillNoise(src);
    ImageResizer resizer;
    for (auto _ : state)
        resizer.resizeImageSRGB(src.toRef(), dst.toRef(), 3, ResizeFilter::lanczos3);
}

void BM_MitchellShrink(benchmark::State& state)
{
    OwnedImage<RGBA> src, dst;
    src.size(730, 1300);
    dst.size(237, 423);
    fillNoise(src);
    ImageResizer resizer;
    for (auto _ : state)
        resizer.resizeImageSRGB(src.toRef(), dst.toRef(), 3, ResizeFilter::mitchell);
}

} // namespace

BENCHMARK(BM_MipBoxRGBA);
BENCHMARK(BM_MipCubicRGBA);
BENCHMARK(BM_MipBoxAlphaCovRGBA);
BENCHMARK(BM_MipIntoPremulRGBA);
BENCHMARK(BM_MipCubicL16);
BENCHMARK(BM_Lanczos3Enlarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lanczos3BackgroundReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lanczos3Background)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lanczos3Background2Threads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Lanczos3Shrink)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MitchellShrink)->Unit(benchmark::kMillisecond);
