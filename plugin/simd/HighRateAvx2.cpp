// The oversampled path for processors with AVX2.  Everything shared with the baseline is
// included before the target switch (KernelBaseline.hpp), so that only this file's own
// templates are compiled with AVX2 instructions.  Fused multiply-adds appear only where
// written out (the exact division in Avx2Stages.hpp); the compiler never contracts.
#include "plugin/simd/KernelBaseline.hpp"

VF_TARGET_BEGIN("avx2,fma")

#include "plugin/simd/Avx2Stages.hpp"

namespace vf::simd {

void processChunkAvx2(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                      const float* const* inputs, float* const* outputs, int frames, int channels)
{
    processChunkFor<Avx2>(state, settings, scratch, inputs, outputs, frames, channels);
}

} // namespace vf::simd

VF_TARGET_END()
