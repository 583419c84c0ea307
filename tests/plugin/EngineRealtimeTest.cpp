// Replaces the global allocation functions of this test binary with counting versions that
// can also be told to fail, so that "no allocation while processing" is measured.
#include "plugin/ReferenceTubeEngine.hpp"
#include "plugin/TubeEngine.hpp"

#include "SignalProbe.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {

std::atomic<long> allocations{0};
std::atomic<bool> failAllocations{false};

void* countedAllocate(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (failAllocations.load(std::memory_order_relaxed))
        return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

} // namespace

void* operator new(std::size_t size)
{
    if (void* p = countedAllocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return countedAllocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return countedAllocate(size);
}
// These deallocators pair with the malloc-based allocators above; the compiler cannot see
// that pairing through the replaceable-function rules and would warn.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

#pragma GCC diagnostic pop

using namespace vf;

namespace {

struct Buffers {
    std::vector<float> inL, inR, outL, outR;
    explicit Buffers(size_t n)
        : inL(vf::test::sine(n, 1000, 48000, 1.0)), inR(vf::test::sine(n, 300, 48000, 0.7)), outL(n), outR(n)
    {
    }
};

} // namespace

TEST(TubeEngineRealtime, NoAllocationInAnyChunkAfterReset)
{
    Buffers b(512);
    TubeEngine engine;
    engine.reset(48000, 512);
    EngineControls controls;
    controls.edge = true;
    controls.tubeHigh = 70;

    const long before = allocations.load();
    for (int frames : {17, 512, 1, 300, 512}) { // a short first chunk must not shrink anything
        const float* ins[2] = {b.inL.data(), b.inR.data()};
        float* outs[2] = {b.outL.data(), b.outR.data()};
        engine.processAudio(ins, outs, 2, 2, frames, controls);
        const float* monoIn[1] = {b.inL.data()};
        float* monoOut[1] = {b.outL.data()};
        engine.processAudio(monoIn, monoOut, 1, 1, frames, controls);
    }
    EXPECT_EQ(allocations.load(), before);

    // A reset with the same block size reuses its buffers.
    engine.reset(44100, 512);
    EXPECT_EQ(allocations.load(), before);
}

TEST(ReferenceTubeEngineRealtime, FailedAllocationGivesSilence)
{
    Buffers b(256);
    ReferenceTubeEngine engine;
    failAllocations = true;
    engine.reset(48000, 256);
    failAllocations = false;

    std::fill(b.outL.begin(), b.outL.end(), 9.0f);
    std::fill(b.outR.begin(), b.outR.end(), 9.0f);
    const float* ins[2] = {b.inL.data(), b.inR.data()};
    float* outs[2] = {b.outL.data(), b.outR.data()};
    engine.processAudio(ins, outs, 2, 2, 256, EngineControls());
    EXPECT_EQ(b.outL, std::vector<float>(256, 0.0f));
    EXPECT_EQ(b.outR, std::vector<float>(256, 0.0f));

    // The next successful reset recovers.
    engine.reset(48000, 256);
    engine.processAudio(ins, outs, 2, 2, 256, EngineControls());
    EXPECT_NE(b.outL[100], 0.0f);
}
