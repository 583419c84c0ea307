// The oversampled path for the SSE2 baseline every x86-64 processor has.
#include "plugin/simd/HighRateKernels.hpp"

namespace vf::simd {

void processChunkSse2(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                      const float* const* inputs, float* const* outputs, int frames, int channels)
{
    processChunkFor<Sse2>(state, settings, scratch, inputs, outputs, frames, channels);
}

} // namespace vf::simd
