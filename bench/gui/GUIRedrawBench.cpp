// Redraw cost of the GUI root without a window: the first full frame of an
// editor-sized root, and a steady frame where one small raw element is dirty.
#include "gui/GUIGraphics.hpp"
#include "gui/UIContext.hpp"
#include "window/IWindowListener.hpp"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace vf {
namespace {

SizeConstraints editorConstraints()
{
    static const float ratios[] = {0.65f, 0.75f, 0.85f, 1.0f, 1.25f, 1.5f};
    return SizeConstraints::discrete(365, 650, ratios, 6);
}

// CPU seconds used by every thread of the process: the pool's work included,
// and less disturbed than wall time on a busy machine.
double processCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
           + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

void fill(ImageRef<RGBA> map, std::span<const box2i> rects, RGBA colour)
{
    for (const box2i& r : rects)
        for (int y = r.min.y; y < r.max.y; ++y) {
            RGBA* row = map.scanline(y);
            for (int x = r.min.x; x < r.max.x; ++x)
                row[x] = colour;
        }
}

class BackgroundRoot final : public GUIGraphics {
public:
    BackgroundRoot() : GUIGraphics(editorConstraints(), rawLayerFlag | animatedFlag) { setUpdateMargin(0); }
    void onDrawRaw(ImageRef<RGBA> map, std::span<const box2i> rects) override { fill(map, rects, {40, 44, 52, 255}); }
};

class Square final : public UIElement {
public:
    explicit Square(UIContext* c) : UIElement(c, rawLayerFlag) {}
    void onDrawRaw(ImageRef<RGBA> map, std::span<const box2i> rects) override { fill(map, rects, {200, 180, 90, 255}); }
};

void firstFullFrame(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto* root = new BackgroundRoot;
        const double start = processCpuSeconds();
        state.ResumeTiming();
        root->windowListener()->onResized(w, h);
        root->windowListener()->recomputeDirtyAreas();
        root->windowListener()->onDraw(WindowPixelFormat::BGRA8);
        benchmark::DoNotOptimize(root->windowBuffer().pixels);
        state.PauseTiming();
        cpu += processCpuSeconds() - start;
        delete root;
        state.ResumeTiming();
    }
    state.counters["cpu_ms_all_threads"] = cpu * 1000 / static_cast<double>(state.iterations());
}
BENCHMARK(firstFullFrame)->Args({365, 650})->Args({548, 975})->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with the whole content painted on the lit layer (the base element's
// placeholder), so that every lighting pass has work everywhere.
void firstFullFrameLit(benchmark::State& state)
{
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto* root = new BackgroundRoot;
        auto* lit = new UIElement(root->uiContext(), litLayerFlag);
        root->addChild(lit);
        lit->setPosition(box2i::rectangle(0, 0, 365, 650));
        const double start = processCpuSeconds();
        state.ResumeTiming();
        root->windowListener()->onResized(365, 650);
        root->windowListener()->recomputeDirtyAreas();
        root->windowListener()->onDraw(WindowPixelFormat::BGRA8);
        benchmark::DoNotOptimize(root->windowBuffer().pixels);
        state.PauseTiming();
        cpu += processCpuSeconds() - start;
        delete root;
        state.ResumeTiming();
    }
    state.counters["cpu_ms_all_threads"] = cpu * 1000 / static_cast<double>(state.iterations());
}
BENCHMARK(firstFullFrameLit)->Unit(benchmark::kMillisecond)->UseRealTime();

void oneSmallElementDirty(benchmark::State& state)
{
    BackgroundRoot root;
    auto* square = new Square(root.uiContext());
    root.addChild(square);
    square->setPosition(box2i::rectangle(140, 300, 80, 80));
    IWindowListener* l = root.windowListener();
    l->onResized(365, 650);
    l->recomputeDirtyAreas();
    l->onDraw(WindowPixelFormat::BGRA8);
    const double start = processCpuSeconds();
    for (auto _ : state) {
        square->setDirtyWhole();
        l->recomputeDirtyAreas();
        l->onDraw(WindowPixelFormat::BGRA8);
        benchmark::DoNotOptimize(root.windowBuffer().pixels);
    }
    state.counters["cpu_us_all_threads"] =
        (processCpuSeconds() - start) * 1e6 / static_cast<double>(state.iterations());
}
BENCHMARK(oneSmallElementDirty)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace
} // namespace vf
