// The oversampled path for the SSE2 baseline every x86-64 processor has.
#include "plugin/KneeLimit.hpp"
#include "plugin/simd/HighRatePath.hpp"
#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "plugin/simd/MathsStandIn.hpp"

#include "plugin/simd/HighRateKernels.hpp"

namespace vf::simd {

void highRateSse2(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch, float* samples,
                  float* picked, int count, int channels)
{
    highRate<Sse2>(state, settings, scratch, samples, picked, count, channels);
}

} // namespace vf::simd
