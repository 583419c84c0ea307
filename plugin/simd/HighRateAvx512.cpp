// The engine's chunk processing for processors with AVX-512 (F and DQ): the stages that
// run along time get sixteen float or eight double lanes, the recursions keep AVX2's.
// Shared code is included before the target switch (see HighRateAvx2.cpp), the AVX2 lane
// types under AVX2's own target so that both translation units compile them alike.
// GCC 12 reports its own AVX-512 intrinsics' deliberately undefined pass-through operands
// as maybe-uninitialized.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

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

#pragma GCC push_options
#pragma GCC target("avx2")
#include "plugin/simd/Avx2Lanes.hpp"
#pragma GCC pop_options

#pragma GCC target("avx2,avx512f,avx512dq")

#include "plugin/simd/Avx512Lanes.hpp"
#include "plugin/simd/VectorArcSine.hpp"
#include "plugin/simd/VectorSine.hpp"

#include "plugin/simd/HighRateKernels.hpp"

namespace vf::simd {

void processChunkAvx512(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                        const float* const* inputs, float* const* outputs, int frames, int channels)
{
    if (channels == 2)
        processChunk<Avx512, 2>(state, settings, scratch, inputs, outputs, frames);
    else
        processChunk<Avx512, 1>(state, settings, scratch, inputs, outputs, frames);
}

} // namespace vf::simd
