// Frame costs of the plug-in's editor, driven without a display exactly as the
// window would drive it: size notification, dirty polling, then a draw.
#include "client/Client.hpp"
#include "editor/VelmorinFreeGUI.hpp"
#include "plugin/VelmorinFreeClient.hpp"

#include <benchmark/benchmark.h>

#include <memory>

namespace vf {
namespace {

const int kSizes[6][2] = {{237, 422}, {274, 488}, {310, 553}, {365, 650}, {456, 813}, {548, 975}};

void frame(VelmorinFreeGUI& gui)
{
    gui.recomputeDirtyAreas();
    gui.doDraw(WindowPixelFormat::BGRA8);
}

// One frame of a drag on the high-band knob: the knob and its label are dirty.
void BM_KnobDragFrame(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::unique_ptr<VelmorinFreeClient> client(Client::create<VelmorinFreeClient>());
    auto gui = std::make_unique<VelmorinFreeGUI>(*client);
    gui->doResize(w, h);
    frame(*gui);
    const box2i knob = gui->child(6)->position();
    const int cx = (knob.min.x + knob.max.x) / 2, cy = (knob.min.y + knob.max.y) / 2;
    gui->mouseClick(cx, cy, 0, false, {});
    // Visit every frame once so that the lazy resampling is out of the way.
    for (int i = 0; i < 120; ++i)
        gui->mouseMove(cx, cy, 0, -knob.height() / 100 - 1, {}, false);
    frame(*gui);
    int step = 1;
    for (auto _ : state) {
        step = -step;
        gui->mouseMove(cx, cy, 0, step * 2, {}, false);
        frame(*gui);
    }
}
BENCHMARK(BM_KnobDragFrame)->Args({365, 650})->Args({548, 975})->Unit(benchmark::kMicrosecond);

// The first frame after opening: background scaling, every frame of every shown
// knob resampled once, everything composited and drawn.
void BM_FirstFullFrame(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::unique_ptr<VelmorinFreeClient> client(Client::create<VelmorinFreeClient>());
    for (auto _ : state) {
        state.PauseTiming();
        auto gui = std::make_unique<VelmorinFreeGUI>(*client);
        state.ResumeTiming();
        gui->doResize(w, h);
        frame(*gui);
        state.PauseTiming();
        gui.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstFullFrame)
    ->Args({kSizes[0][0], kSizes[0][1]})
    ->Args({kSizes[1][0], kSizes[1][1]})
    ->Args({kSizes[2][0], kSizes[2][1]})
    ->Args({kSizes[3][0], kSizes[3][1]})
    ->Args({kSizes[4][0], kSizes[4][1]})
    ->Args({kSizes[5][0], kSizes[5][1]})
    ->Unit(benchmark::kMillisecond);

// Opening: the editor built (images decoded) and its first full frame drawn.
void BM_OpenToFullFrame(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::unique_ptr<VelmorinFreeClient> client(Client::create<VelmorinFreeClient>());
    for (auto _ : state) {
        auto gui = std::make_unique<VelmorinFreeGUI>(*client);
        gui->doResize(w, h);
        frame(*gui);
        state.PauseTiming();
        gui.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenToFullFrame)
    ->Args({kSizes[3][0], kSizes[3][1]})
    ->Args({kSizes[5][0], kSizes[5][1]})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A grip step into one of the six sizes from its neighbour: layout, resampling and
// the full frame at the new size.  Only the step into the size is timed.
void BM_GripStep(benchmark::State& state)
{
    const int to = static_cast<int>(state.range(0));
    const int from = to == 5 ? 4 : to + 1;
    std::unique_ptr<VelmorinFreeClient> client(Client::create<VelmorinFreeClient>());
    auto gui = std::make_unique<VelmorinFreeGUI>(*client);
    for (auto _ : state) {
        state.PauseTiming();
        gui->nativeWindowResize(kSizes[from][0], kSizes[from][1]); // as the grip asks the host
        gui->doResize(kSizes[from][0], kSizes[from][1]);
        frame(*gui);
        gui->nativeWindowResize(kSizes[to][0], kSizes[to][1]);
        state.ResumeTiming();
        gui->doResize(kSizes[to][0], kSizes[to][1]);
        frame(*gui);
    }
    state.SetLabel(std::to_string(kSizes[to][0]) + "x" + std::to_string(kSizes[to][1]));
}
BENCHMARK(BM_GripStep)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace vf
