// The oversampled path for processors with AVX2.  Everything shared with the baseline is
// included before the target switch (KernelBaseline.hpp), so that only this file's own
// templates are compiled with AVX2 instructions.  Fused multiply-adds appear only where
// written out (the exact division in Avx2Stages.hpp); the compiler never contracts.
#include "plugin/simd/KernelBaseline.hpp"
#include "plugin/simd/KernelProbes.hpp"

VF_TARGET_BEGIN("avx2,fma")

#include "plugin/simd/Avx2Stages.hpp"

namespace vf::simd {

void processChunkAvx2(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                      const float* const* inputs, float* const* outputs, int frames, int channels)
{
    processChunkFor<Avx2>(state, settings, scratch, inputs, outputs, frames, channels);
}

void divideByThreeAvx2(const float* in, float* out, int count)
{
    for (int i = 0; i < count; i += Avx2F32::lanes)
        DivideByThree<Avx2>::of(Avx2F32::load(in + i)).store(out + i);
}

void noiseOffsetsAvx2(const float* value, const uint32_t* noise, float* out, int count)
{
    alignas(64) double state[16];
    for (int i = 0; i < count; i += 16) {
        for (int k = 0; k < 16; ++k) {
            out[i + k] = value[i + k];
            state[k] = noise[i + k];
        }
        addNoiseOffsets<Avx2>(out + i, state, 16);
    }
}

bool downSectionsAvx2(float* stream, int values, double* history)
{
    return downSectionsProbe<Avx2>(stream, values, history);
}

} // namespace vf::simd

VF_TARGET_END()
