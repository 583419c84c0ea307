// The engine's chunk processing for processors with AVX-512 (F, DQ and VL): the stages
// that run along time get sixteen float or eight double lanes; the recursions keep AVX2's
// widths but gain sixteen more registers, enough to hold the states of all three blocks.
// Shared code is included before the target switch (see HighRateAvx2.cpp), the AVX2 lane
// types under AVX2's own target so that both translation units compile them alike.
// GCC 12 reports its own AVX-512 intrinsics' deliberately undefined pass-through operands
// as (maybe) uninitialized.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

#include "plugin/simd/KernelBaseline.hpp"

VF_TARGET_BEGIN("avx2,fma")
#include "plugin/simd/Avx2Lanes.hpp"
VF_TARGET_END()

VF_TARGET_BEGIN("avx2,fma,avx512f,avx512dq,avx512vl")

#include "plugin/simd/Avx512Stages.hpp"

namespace vf::simd {

void processChunkAvx512(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                        const float* const* inputs, float* const* outputs, int frames, int channels)
{
    processChunkFor<Avx512>(state, settings, scratch, inputs, outputs, frames, channels);
}

} // namespace vf::simd

VF_TARGET_END()
