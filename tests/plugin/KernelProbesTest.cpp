// Single steps of the vector kernels against their scalar definitions over whole ranges.
#include "plugin/TubeEngine.hpp"
#include "plugin/simd/KernelProbes.hpp"

#include "core/ScopedFloatState.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

using namespace vf;

namespace {

using Path = TubeEngine::SimdPath;
using Probe = void (*)(const float*, float*, int);

struct PathProbe {
    Path path;
    const char* name;
    Probe divideByThree;
};

std::vector<PathProbe> availableProbes()
{
    std::vector<PathProbe> all = {{Path::sse2, "sse2", &simd::divideByThreeSse2},
                                  {Path::avx2, "avx2", &simd::divideByThreeAvx2},
                                  {Path::avx512, "avx512", &simd::divideByThreeAvx512}};
    std::vector<PathProbe> available;
    for (const PathProbe& p : all)
        if (TubeEngine::supports(p.path))
            available.push_back(p);
    return available;
}

// Every float from `first` (inclusive) to `last` (exclusive), padded to whole registers.
std::vector<float> floatsBetween(float first, float last)
{
    std::vector<float> v;
    for (uint32_t b = std::bit_cast<uint32_t>(first); b < std::bit_cast<uint32_t>(last); ++b)
        v.push_back(std::bit_cast<float>(b));
    while (v.size() % 16)
        v.push_back(1.0f);
    return v;
}

void expectDividedByThree(const PathProbe& probe, const std::vector<float>& in)
{
    std::vector<float> out(in.size());
    probe.divideByThree(in.data(), out.data(), static_cast<int>(in.size()));
    long wrong = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        const float expected = in[i] / 3.0f;
        if (std::bit_cast<uint32_t>(expected) != std::bit_cast<uint32_t>(out[i]) && !(expected != expected && out[i] != out[i])) {
            if (++wrong <= 5)
                ADD_FAILURE() << probe.name << ": " << in[i] << " / 3 gave " << out[i] << ", not " << expected;
        }
    }
    EXPECT_EQ(wrong, 0) << probe.name;
}

} // namespace

TEST(KernelProbes, DivisionByThreeIsCorrectlyRoundedOverWholeBinades)
{
    // The fused method's steps scale exactly by powers of two, so whole binades at the
    // middle and both ends of its range stand for all the ones between.
    for (const PathProbe& probe : availableProbes()) {
        expectDividedByThree(probe, floatsBetween(1.0f, 2.0f));
        expectDividedByThree(probe, floatsBetween(0x1p-90f, 0x1p-89f));
        expectDividedByThree(probe, floatsBetween(0x1p99f, 0x1p100f));
    }
}

TEST(KernelProbes, DivisionByThreeOutsideTheFusedRangeMatchesInBothFloatModes)
{
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> awkward = {0.0f, -0.0f, 1e-45f, 3e-39f, 1e-30f, 0x1p-91f, 0x1p101f, 3e38f, inf, -inf,
                                  std::numeric_limits<float>::quiet_NaN(), -2.5f, 0.1f, 1e-20f, 7e25f, 1.0f};
    for (const PathProbe& probe : availableProbes()) {
        expectDividedByThree(probe, awkward);
        ScopedFloatState flushed;
        expectDividedByThree(probe, awkward);
    }
}
