// The oversampled path for the SSE2 baseline every x86-64 processor has.
#include "plugin/simd/HighRateKernels.hpp"
#include "plugin/simd/KernelProbes.hpp"

namespace vf::simd {

void processChunkSse2(HighRateState& state, const HighRateSettings& settings, HighRateScratch& scratch,
                      const float* const* inputs, float* const* outputs, int frames, int channels)
{
    processChunkFor<Sse2>(state, settings, scratch, inputs, outputs, frames, channels);
}

void divideByThreeSse2(const float* in, float* out, int count)
{
    for (int i = 0; i < count; i += Sse2F32::lanes)
        DivideByThree<Sse2>::of(Sse2F32::load(in + i)).store(out + i);
}

void noiseOffsetsSse2(const float* value, const uint32_t* noise, float* out, int count)
{
    alignas(64) double state[16];
    for (int i = 0; i < count; i += 16) {
        for (int k = 0; k < 16; ++k) {
            out[i + k] = value[i + k];
            state[k] = noise[i + k];
        }
        addNoiseOffsets<Sse2>(out + i, state, 16);
    }
}

bool downSectionsSse2(float* stream, int values, double* history)
{
    return downSectionsProbe<Sse2>(stream, values, history);
}

} // namespace vf::simd
