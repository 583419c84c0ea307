// The oversampled path for processors with AVX2.  Everything shared with the baseline
// (standard library, lane types of the baseline, scalar helpers) is included before the
// target switch, so that no function both translation units define is compiled with AVX2
// instructions; only this file's own templates are.  No FMA: results must stay bitwise
// those of separate multiplies and adds.
#include "plugin/DownsamplingNx.hpp"
#include "plugin/KneeLimit.hpp"
#include "plugin/simd/HighRatePath.hpp"
#include "plugin/simd/ScalarLanes.hpp"
#include "plugin/simd/Sse2Lanes.hpp"

#include <immintrin.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

#pragma GCC target("avx2")

#include "plugin/simd/Avx2Lanes.hpp"
#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"

#include "plugin/simd/HighRateKernels.hpp"

namespace vf::simd {

void processChunkAvx2(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                      const float* const* inputs, float* const* outputs, int frames, int channels)
{
    if (channels == 2)
        processChunk<Avx2, 2>(state, settings, scratch, inputs, outputs, frames);
    else
        processChunk<Avx2, 1>(state, settings, scratch, inputs, outputs, frames);
}

} // namespace vf::simd
