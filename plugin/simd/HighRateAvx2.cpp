// The oversampled path for processors with AVX2.  Everything shared with the baseline
// (standard library, lane types of the baseline, scalar helpers) is included before the
// target switch, so that no function both translation units define is compiled with AVX2
// instructions; only this file's own templates are.  No FMA: results must stay bitwise
// those of separate multiplies and adds.
#include "plugin/KneeLimit.hpp"
#include "plugin/simd/HighRatePath.hpp"
#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"

#include <immintrin.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#pragma GCC target("avx2")

#include "plugin/simd/Avx2Lanes.hpp"
#include "plugin/simd/MathsStandIn.hpp"

#include "plugin/simd/HighRateKernels.hpp"

namespace vf::simd {

void highRateAvx2(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch, float* samples,
                  float* picked, int count, int channels)
{
    highRate<Avx2>(state, settings, scratch, samples, picked, count, channels);
}

} // namespace vf::simd
