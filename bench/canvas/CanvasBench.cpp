#include "canvas/Canvas.hpp"
#include "graphics/Font.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

using namespace vf;

namespace {

// The editor's resize grip: three closed shapes over one dirty rectangle.
void fillGrip(Canvas& c, ImageRef<RGBA> target, float w, float h)
{
    c.initialize(target);
    c.fillStyle({255, 255, 255, 96});
    c.beginPath();
    const float shapes[3][8] = {{0, h, w, 0, w, h / 5, w / 5, h},
                                {2 * w / 5, h, w, 2 * h / 5, w, 3 * h / 5, 3 * w / 5, h},
                                {4 * w / 5, h, w, 4 * h / 5, w, h, w, h}};
    for (const auto& s : shapes) {
        c.moveTo(s[0], s[1]);
        for (int i = 2; i < 8; i += 2)
            c.lineTo(s[i], s[i + 1]);
        c.closePath();
    }
    c.fill();
}

void BM_ResizeGrip(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    std::vector<RGBA> pixels(static_cast<size_t>(size * size), RGBA{30, 30, 30, 255});
    const ImageRef<RGBA> target{size, size, static_cast<std::ptrdiff_t>(size * 4), pixels.data()};
    Canvas c;
    for (auto _ : state) {
        fillGrip(c, target, static_cast<float>(size), static_cast<float>(size));
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * size * size);
}
BENCHMARK(BM_ResizeGrip)->Arg(16)->Arg(32)->Arg(128);

void BM_Star(benchmark::State& state)
{
    const int size = 512;
    std::vector<RGBA> pixels(static_cast<size_t>(size * size), RGBA{30, 30, 30, 255});
    const ImageRef<RGBA> target{size, size, size * 4, pixels.data()};
    Canvas c;
    const int points = static_cast<int>(state.range(0));
    for (auto _ : state) {
        c.initialize(target);
        c.fillStyle({200, 100, 50, 200});
        c.beginPath();
        for (int i = 0; i < points; ++i) {
            const float a = 6.2831853f * static_cast<float>(i) / static_cast<float>(points);
            const float r = (i % 2) != 0 ? 250.0f : 100.0f;
            if (i == 0)
                c.moveTo(256 + r * std::cos(a), 256 + r * std::sin(a));
            else
                c.lineTo(256 + r * std::cos(a), 256 + r * std::sin(a));
        }
        c.fill();
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * size * size);
}
BENCHMARK(BM_Star)->Arg(10)->Arg(400);

void BM_FillTextValueLabel(benchmark::State& state)
{
    std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.empty()) {
        state.SkipWithError("font file missing");
        return;
    }
    Font font(bytes.data(), bytes.size());
    std::vector<RGBA> pixels(static_cast<size_t>(120 * 30), RGBA{30, 30, 30, 255});
    const ImageRef<RGBA> target{120, 30, 120 * 4, pixels.data()};
    for (auto _ : state) {
        fillText(target, font, "-12.5 dB", 18, 0.5f, RGBA{230, 230, 230, 255}, 60, 15, HorizontalAlignment::center,
                 VerticalAlignment::center);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_FillTextValueLabel);

} // namespace
